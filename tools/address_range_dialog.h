// The small From/To dialog in front of every range command: Disassemble and
// Hex Dump in Vantro (and its debugger), and Kelbrin's disassembly, hex dump
// and map block commands. It drives the range rules of tools/listing.h on the
// caller's ListingState. The two programs differ only in the options: the
// highest address, the presets, whether "Use PC" is offered, and the title.
#pragma once
#include <QString>
#include <cstdint>

#include "tools/listing.h"
#include "tools/tool_dialog.h"

class QLineEdit;
class QPushButton;

struct AddressRangeOptions {
  QString title;                        // "Disassemble", "Hex Dump", "Disassembly", ...
  std::uint16_t max_address = kVantroAddressMax;
  // Vantro proposes the last From and To = From + 1023; Kelbrin always starts
  // with the whole image, 0 to max_address.
  bool preset_whole_range = false;
  bool offer_use_pc = true;             // Vantro only
  std::uint16_t pc = 0;                 // what "Use PC" puts into From
};

AddressRangeOptions VantroRangeOptions(const QString& title, std::uint16_t pc);
AddressRangeOptions KelbrinRangeOptions(const QString& title);

class AddressRangeDialog : public ToolDialog {
  Q_OBJECT

 public:
  // Sets the presets in state at once; state must outlive the dialog.
  AddressRangeDialog(ListingState& state, const AddressRangeOptions& options,
                     QWidget* parent = nullptr);

  QLineEdit* from_field() const { return from_field_; }
  QLineEdit* to_field() const { return to_field_; }
  QPushButton* use_pc_button() const { return use_pc_; }  // null in Kelbrin's form
  QPushButton* cancel_button() const { return cancel_; }
  QPushButton* done_button() const { return done_; }

 protected:
  void done(int result) override;

 private:
  void FromChanged(const QString& text);
  void ToChanged(const QString& text);

  ListingState& state_;
  AddressRangeOptions options_;
  QLineEdit* from_field_ = nullptr;
  QLineEdit* to_field_ = nullptr;
  QPushButton* use_pc_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QPushButton* done_ = nullptr;
};

// Shows the dialog modally; the range lands in state.range_from/range_to.
// Answers false when the user cancelled (state.range_cancelled).
bool RunAddressRangeDialog(ListingState& state, const AddressRangeOptions& options,
                           QWidget* parent = nullptr);
