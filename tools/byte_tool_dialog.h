// What Peek and Poke share in both programs: the address field with its "-"
// and "+" buttons and their wrap-around, the reach of addresses (the whole
// 64 KB in Vantro, the 16 KB ROM image in Kelbrin) and Kelbrin's ROM map.
// PeekDialog and PokeDialog build on it; the menus of the main window, the
// debugger and Kelbrin open them.
#pragma once
#include <QString>
#include <cstdint>

#include "tools/memory_view.h"
#include "tools/tool_dialog.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

struct ByteToolOptions {
  QString title;
  std::uint16_t last_address = 0xFFFF;  // "+" past it goes to 0, "-" below 0 to it
  // Kelbrin's code/data map beside the ROM image (1 = data). Without one the
  // dialog has no map controls at all, as in Vantro.
  MemoryView map{};
  bool map_enabled = false;  // off: the map is neither shown nor changed
};

ByteToolOptions VantroPeekOptions();
ByteToolOptions VantroPokeOptions();
ByteToolOptions KelbrinPeekOptions(MemoryView map, bool map_enabled);
ByteToolOptions KelbrinPokeOptions(MemoryView map, bool map_enabled);

class ByteToolDialog : public ToolDialog {
  Q_OBJECT

 public:
  std::uint16_t address() const { return address_; }

  QLineEdit* address_field() const { return address_field_; }
  QPushButton* minus_button() const { return minus_; }
  QPushButton* plus_button() const { return plus_; }
  QPushButton* done_button() const { return done_; }
  // Kelbrin's map check box, present only with the map enabled.
  QCheckBox* map_box() const { return map_box_; }
  // "[ ROM Map disabled ]", present only in Kelbrin with the map disabled.
  QLabel* map_disabled_label() const { return map_disabled_; }

 protected:
  enum class BadAddress { kResetToZero, kEmptyField };

  ByteToolDialog(MemoryView memory, const ByteToolOptions& options, BadAddress bad_address,
                 int client_w, int client_h, QWidget* parent);

  // Builds the address controls and "Done"; the map controls go where the
  // derived window has room for them.
  void BuildAddressControls(int done_x, int done_y, int done_w, int done_h);
  void BuildMapControls(const QString& box_text, int box_x, int box_y);
  // Fills the address field for the start address 0; call when every
  // control is there, since it triggers AddressChosen.
  void ShowStartAddress();

  bool HasMap() const { return options_.map.data != nullptr; }
  bool MapShown() const { return HasMap() && options_.map_enabled; }
  bool MapSaysData() const { return options_.map.Read(address_) == 1; }

  // Called after every accepted address, typed or stepped.
  virtual void AddressChosen() {}

  MemoryView memory_;
  ByteToolOptions options_;

 private:
  void AddressTextChanged(const QString& text);
  void Step(int delta);

  BadAddress bad_address_;
  std::uint16_t address_ = 0;
  QLineEdit* address_field_ = nullptr;
  QPushButton* minus_ = nullptr;
  QPushButton* plus_ = nullptr;
  QPushButton* done_ = nullptr;
  QCheckBox* map_box_ = nullptr;
  QLabel* map_disabled_ = nullptr;
};
