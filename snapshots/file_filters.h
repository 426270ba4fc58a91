// The file types Vantro's file dialogs offer, one table per dialog, in the
// order the dialog's type box lists them: a new kind of file is one more
// row here. Open, Save SNA, the block commands and Save Tape As build their
// filters from these tables; the Qt host turns them into name filters.
#pragma once
#include <span>
#include <string>
#include <string_view>

// One entry of a dialog's type box: its label and the patterns it matches,
// separated by semicolons ("*.bin;*.scr;*.rom").
struct FileType {
  std::string_view label;
  std::string_view patterns;
};

// "Open": every kind it loads, then any file (which goes in as a tape).
extern const std::span<const FileType> kOpenFileTypes;
// "Load Bin/Scr/Rom": any file loads as raw bytes.
extern const std::span<const FileType> kLoadBlockFileTypes;
extern const std::span<const FileType> kSaveBlockFileTypes;
// "Save SNA": the entry chosen decides the format of a name given bare.
extern const std::span<const FileType> kSaveSnapshotFileTypes;
extern const std::span<const FileType> kSaveTapeFileTypes;

// The Host's filter text: "label|pattern;pattern" entries joined by ";;".
std::string HostFilter(std::span<const FileType> types);
// ".z80" for the entry "Z80" (its first pattern without the '*'); empty
// for a pattern of no extension or a choice out of range.
std::string_view ChosenExtension(std::span<const FileType> types, int choice);
