// The read-only listing windows of both programs and the range commands that
// fill them: Vantro's "Disassemble" (to a window or to "dis.asm") and "Hex
// Dump", called from the main window's and the debugger's Tools menus, and
// Kelbrin's "Hex Dump". Kelbrin's map-aware "Z80 Disassembler" window is a
// ListWindow too, filled by the ROM editor's own listing.
#pragma once
#include <QString>
#include <QStringList>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/listing.h"
#include "tools/memory_view.h"
#include "tools/tool_dialog.h"

class QListWidget;

// Where a listing window opens and how big its client area is; the list
// fills the client area.
struct ListForm {
  QString title;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
};

ListForm VantroDisassemblyForm();                // "Vantro Disassembler" (380, 80) 300 x 400
ListForm VantroHexDumpForm(int width);           // "Vantro Hex Dump" (380, 80) width x 420
ListForm KelbrinHexDumpForm(int width);          // "Hex Dump" (280, 50) width x 420

// A modal window with a title bar, close and minimise boxes, holding one
// list of text lines in "Consolas" 8 pt. It ends when the user closes it.
class ListWindow : public ToolDialog {
  Q_OBJECT

 public:
  ListWindow(const ListForm& form, const std::vector<std::string>& lines,
             QWidget* parent = nullptr);

  QListWidget* list() const { return list_; }
  QStringList Lines() const;

 private:
  QListWidget* list_ = nullptr;
};

// Shows the lines in a ListWindow until the user closes it.
void ShowListWindow(const ListForm& form, const std::vector<std::string>& lines,
                    QWidget* parent = nullptr);

// Vantro's "Disassemble": asks for the range (From proposed at disasm_next),
// then lists into "Vantro Disassembler" or appends to "dis.asm" in the
// current directory. pc is what the dialog's "Use PC" takes.
void DisassembleCommand(bool to_window, const MemoryView& memory, ListingState& state,
                        bool hex_mode, std::uint16_t pc, QWidget* parent = nullptr);

// Vantro's "Hex Dump": asks for the range (From proposed as last entered),
// then lists eight bytes per line in "Vantro Hex Dump".
void HexDumpCommand(const MemoryView& memory, ListingState& state, std::uint16_t pc,
                    QWidget* parent = nullptr);

// Kelbrin's "Hex dump": the same on the ROM image, with the range dialog's
// Kelbrin form and the window "Hex Dump" at (280, 50).
void KelbrinHexDumpCommand(const MemoryView& rom_image, ListingState& state,
                           QWidget* parent = nullptr);
