// The one way commands talk to the user: message boxes, Yes/No questions and
// file dialogs. The Qt programs implement it with real windows; tests use a
// scripted fake, so loaders and savers run against real files without a
// window system.
#pragma once
#include <string>
#include <string_view>
#include <vector>

struct Host {
  virtual ~Host() = default;

  // A modal message box with an OK button.
  virtual void ShowMessage(std::string_view title, std::string_view text) = 0;
  // A modal Yes/No box; true for Yes.
  virtual bool AskYesNo(std::string_view title, std::string_view text) = 0;
  // Open-file and save-file dialogs. The filter is entries joined by ";;",
  // the first shown first, each written as "label|pattern;pattern" ("All
  // supported files (*.bin)|*.bin;*.scr;*.rom", "All files (*)|*") or as
  // "label (*.ext)".
  // An empty result means the user cancelled.
  virtual std::string AskOpenPath(std::string_view title, std::string_view filter) = 0;
  virtual std::string AskSavePath(std::string_view title, std::string_view filter) = 0;
  // A save-file dialog whose filter entries are also a choice: `choice` is
  // set to the index of the entry selected.
  virtual std::string AskSavePathChoosing(std::string_view title, std::string_view filter, int& choice) {
    choice = 0;
    return AskSavePath(title, filter);
  }
  // A modal list of items to pick one from: its index, or -1 when the user
  // cancelled. Without a window the first item is taken.
  virtual int AskChoice(std::string_view title, std::string_view text, const std::vector<std::string>& items) {
    (void)title;
    (void)text;
    return items.empty() ? -1 : 0;
  }
};
