// Poke: stores a typed byte at an address with the direct store, which no
// write protection stops; in Kelbrin it also marks the byte as code or data
// in the ROM map. Opened from Vantro's Tools menu, the debugger's Tools menu
// and Kelbrin's Tools menu.
#pragma once
#include "tools/byte_tool_dialog.h"

class PokeDialog : public ByteToolDialog {
  Q_OBJECT

 public:
  PokeDialog(MemoryView memory, const ByteToolOptions& options, QWidget* parent = nullptr);

  std::uint8_t byte_value() const { return byte_value_; }
  bool data_flag() const { return data_flag_; }

  QLineEdit* byte_field() const { return byte_field_; }
  QPushButton* peek_button() const { return peek_; }
  QPushButton* poke_button() const { return poke_; }

 private:
  void ByteTextChanged(const QString& text);
  void PeekPressed();
  void PokePressed();

  std::uint8_t byte_value_ = 0;
  bool data_flag_ = false;  // Kelbrin: what "Poke" writes into the map
  QLineEdit* byte_field_ = nullptr;
  QPushButton* peek_ = nullptr;
  QPushButton* poke_ = nullptr;
};

// Shows the dialog modally until "Done".
void RunPokeDialog(MemoryView memory, const ByteToolOptions& options, QWidget* parent = nullptr);
