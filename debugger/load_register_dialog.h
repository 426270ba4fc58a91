// "Vantro - Load <name>": sets one register or pair of the stopped Z80 to a
// typed value. Opened from the debugger's "Tools" > "Load Register..." items,
// which refresh the debugger's display after a LOAD.
#pragma once
#include "cpu/cpu_state.h"
#include "debugger/debugger_commands.h"
#include "tools/tool_dialog.h"

class QLineEdit;
class QPushButton;

inline constexpr char kLoadRegisterTitle[] = "Vantro - Load ";

class LoadRegisterDialog : public ToolDialog {
  Q_OBJECT

 public:
  // order: 0-16, A F B C D E H L I R BC DE HL IX IY PC SP.
  LoadRegisterDialog(CpuState& cpu, int order, QWidget* parent = nullptr);

  std::uint16_t value() const { return value_.value; }
  QLineEdit* value_field() const { return field_; }
  QPushButton* load_button() const { return load_; }
  QPushButton* cancel_button() const { return cancel_; }

 private:
  CpuState& cpu_;
  int order_;
  ValueField value_;
  QLineEdit* field_ = nullptr;
  QPushButton* load_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

// Modal run; true when LOAD stored the value.
bool RunLoadRegisterDialog(CpuState& cpu, int order, QWidget* parent = nullptr);
