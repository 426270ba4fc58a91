// A scripted user for tests: answers file dialogs and Yes/No boxes from
// queues and records every message box shown.
#pragma once
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "tools/host.h"

struct FakeHost : Host {
  std::deque<std::string> open_paths;  // answers to AskOpenPath; empty = cancel
  std::deque<std::string> save_paths;  // answers to AskSavePath; empty = cancel
  std::deque<bool> yes_no;             // answers to AskYesNo; empty = No
  std::deque<int> save_choices;        // filter entries chosen in AskSavePathChoosing; empty = 0
  std::deque<int> choices;             // answers to AskChoice (-1 cancels); empty = 0
  std::vector<std::vector<std::string>> choice_lists;  // the items each AskChoice offered
  std::vector<std::pair<std::string, std::string>> messages;  // (title, text)
  std::vector<std::pair<std::string, std::string>> dialogs;   // (title, filter) asked

  void ShowMessage(std::string_view title, std::string_view text) override {
    messages.emplace_back(std::string(title), std::string(text));
  }
  bool AskYesNo(std::string_view title, std::string_view text) override {
    messages.emplace_back(std::string(title), std::string(text));
    if (yes_no.empty()) return false;
    bool answer = yes_no.front();
    yes_no.pop_front();
    return answer;
  }
  std::string AskOpenPath(std::string_view title, std::string_view filter) override {
    return Next(open_paths, title, filter);
  }
  std::string AskSavePath(std::string_view title, std::string_view filter) override {
    return Next(save_paths, title, filter);
  }
  std::string AskSavePathChoosing(std::string_view title, std::string_view filter, int& choice) override {
    choice = save_choices.empty() ? 0 : save_choices.front();
    if (!save_choices.empty()) save_choices.pop_front();
    return Next(save_paths, title, filter);
  }
  int AskChoice(std::string_view, std::string_view, const std::vector<std::string>& items) override {
    choice_lists.push_back(items);
    if (choices.empty()) return 0;
    int answer = choices.front();
    choices.pop_front();
    return answer;
  }

 private:
  std::string Next(std::deque<std::string>& queue, std::string_view title, std::string_view filter) {
    dialogs.emplace_back(std::string(title), std::string(filter));
    if (queue.empty()) return {};
    std::string path = queue.front();
    queue.pop_front();
    return path;
  }
};
