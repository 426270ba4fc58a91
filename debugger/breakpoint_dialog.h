// The two dialogs behind the debugger's Breakpoint menu: "Opcode..." and the
// register items. They arm the one Breakpoint only when the user presses
// "Set" (or "Change"); "Cancel" leaves the record exactly as it was. The
// Load dialog (load_register_dialog.h) shares their value field.
#pragma once
#include <cstdint>

#include "cpu/cpu_state.h"
#include "debugger/breakpoint.h"
#include "debugger/debugger_commands.h"
#include "tools/tool_dialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

inline constexpr char kBreakOnOpcodeTitle[] = "Vantro - Break on Opcode";
inline constexpr char kBreakOnValueTitle[] = "Vantro - Break on value of ";
constexpr int kSmallDialogX = 680;
constexpr int kSmallDialogY = 110;

// The "Value" label and its digits-only field showing "0": narrow for 8-bit
// registers, wide for 16-bit ones. Out-of-range text empties the field and
// `field.value` keeps the last accepted number.
QLineEdit* BuildValueControls(QDialog* dialog, bool wide, ValueField& field);

class BreakOnOpcodeDialog : public ToolDialog {
  Q_OBJECT

 public:
  BreakOnOpcodeDialog(Breakpoint& breakpoint, QWidget* parent = nullptr);

  std::uint8_t opcode() const { return static_cast<std::uint8_t>(opcode_.value); }
  QLineEdit* opcode_field() const { return field_; }
  QPushButton* set_button() const { return set_; }
  QPushButton* cancel_button() const { return cancel_; }

 private:
  Breakpoint& breakpoint_;
  ValueField opcode_{255, 0};
  QLineEdit* field_ = nullptr;
  QPushButton* set_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

class BreakOnValueDialog : public ToolDialog {
  Q_OBJECT

 public:
  // kind: 19-35, recorded by the menu item that opened the dialog.
  BreakOnValueDialog(Breakpoint& breakpoint, std::uint8_t kind, const CpuState& cpu,
                     QWidget* parent = nullptr);

  std::uint16_t value() const { return value_.value; }
  QLineEdit* value_field() const { return field_; }
  QPushButton* change_button() const { return change_; }
  QPushButton* set_button() const { return set_; }
  QPushButton* cancel_button() const { return cancel_; }

 private:
  Breakpoint& breakpoint_;
  std::uint8_t kind_;
  const CpuState& cpu_;
  ValueField value_;
  QLineEdit* field_ = nullptr;
  QPushButton* change_ = nullptr;
  QPushButton* set_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

// Modal runs; the answer tells whether the breakpoint was armed.
bool RunBreakOnOpcodeDialog(Breakpoint& breakpoint, QWidget* parent = nullptr);
bool RunBreakOnValueDialog(Breakpoint& breakpoint, std::uint8_t kind, const CpuState& cpu,
                           QWidget* parent = nullptr);
