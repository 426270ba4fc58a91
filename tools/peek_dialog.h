// Peek: shows the byte at an address in decimal and hexadecimal; in Kelbrin
// also whether the ROM map marks it as data. Opened from Vantro's Tools menu,
// the debugger's Tools menu and Kelbrin's Tools menu.
#pragma once
#include "tools/byte_tool_dialog.h"

class PeekDialog : public ByteToolDialog {
  Q_OBJECT

 public:
  PeekDialog(MemoryView memory, const ByteToolOptions& options, QWidget* parent = nullptr);

  QLineEdit* decimal_field() const { return decimal_; }
  QLineEdit* hex_field() const { return hex_; }

 protected:
  void AddressChosen() override;

 private:
  QLineEdit* decimal_ = nullptr;
  QLineEdit* hex_ = nullptr;
};

// Shows the dialog modally until "Done".
void RunPeekDialog(MemoryView memory, const ByteToolOptions& options, QWidget* parent = nullptr);
