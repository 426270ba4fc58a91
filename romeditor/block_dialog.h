// Kelbrin's block dialog in front of "Load rom/bin" and "Save rom/bin": base
// address, byte count and what happens to the map. Opened by the main
// window's asker; the tests drive it directly.
#pragma once
#include <QString>
#include <optional>

#include "romeditor/kelbrin_asker.h"
#include "tools/tool_dialog.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

inline constexpr const char* kLoadBlockDialogTitle = "Load rom or bin file";
inline constexpr const char* kSaveBlockDialogTitle = "Save rom or bin file";

class KelbrinBlockDialog : public ToolDialog {
 public:
  KelbrinBlockDialog(BlockForm form, QWidget* parent = nullptr);

  // The confirmed request; empty after "Cancel" or while the dialog runs.
  const std::optional<BlockRequest>& result() const { return result_; }
  MapOption map_option() const { return map_option_; }

  QLineEdit* base_field() const { return base_field_; }
  QLineEdit* count_field() const { return count_field_; }
  QCheckBox* code_box() const { return code_box_; }  // load form only
  QCheckBox* data_box() const { return data_box_; }  // load form only
  QCheckBox* map_box() const { return map_box_; }
  QPushButton* rom_button() const { return rom_; }
  QPushButton* cancel_button() const { return cancel_; }
  QPushButton* ok_button() const { return ok_; }

 private:
  void BaseEdited(const QString& text);
  void CountEdited(const QString& text);
  void RomPressed();
  void OkPressed();
  // The load form's three boxes are one choice.
  void Choose(MapOption option);

  BlockForm form_;
  std::optional<std::uint32_t> base_ = 0;  // the base field starts with a valid "0"
  std::optional<std::uint32_t> count_;     // the count field's "0" is no count
  MapOption map_option_ = MapOption::kMapFile;
  std::optional<BlockRequest> result_;

  QLineEdit* base_field_ = nullptr;
  QLineEdit* count_field_ = nullptr;
  QCheckBox* code_box_ = nullptr;
  QCheckBox* data_box_ = nullptr;
  QCheckBox* map_box_ = nullptr;
  QPushButton* rom_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* ok_ = nullptr;
};

// Shows the dialog modally; empty on Cancel.
std::optional<BlockRequest> RunKelbrinBlockDialog(BlockForm form, QWidget* parent = nullptr);
