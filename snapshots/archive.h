// Zip archives and gzip files as archives hand out Spectrum games: the
// files inside are listed and one is unpacked into memory (zlib inflates),
// so OpenFile can give its bytes to the loader the inner file's name
// chooses. Nothing here changes the machine.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "snapshots/file_bytes.h"

enum class ArchiveKind { none, zip, gzip };

// By the extension of path: .zip or .gz (any case).
ArchiveKind ArchiveKindOf(std::string_view path);

// A member's name as messages and the choice list show it: control bytes as
// '?', and cut after 80 characters (a damaged directory may name anything).
std::string ShownMemberName(std::string_view name);

// One file inside an archive, as its directory (zip) or its header and
// name (gzip) describe it; `bytes` is filled by UnpackMember.
struct ArchiveMember {
  std::string name;  // the path inside the archive; its extension gives the type
  std::uint16_t method = 0;  // 0 stored, 8 deflated (zip); 8 for gzip
  std::uint16_t flags = 0;   // the zip general-purpose flags (bit 0: encrypted)
  std::uint32_t crc = 0;
  std::uint64_t packed_at = 0;  // offset of the packed data in the archive
  std::uint64_t packed_size = 0;
  std::uint64_t size = 0;  // unpacked, as the directory says (zip only)
};

struct Archive {
  ArchiveKind kind = ArchiveKind::none;
  std::vector<std::uint8_t> bytes;      // the whole archive file
  std::vector<ArchiveMember> members;   // in the archive's own order; no folders
};

// The largest member unpacked: sampled sound can be large, as for a WAVE
// file outside an archive.
constexpr std::size_t kLargestMember = 256 * 1024 * 1024;

// The archive's directory read from bytes, every entry checked to lie
// inside the file; or false with the reason ("its directory is cut off").
// For gzip the one member is named by the file name less ".gz", or by the
// name its header carries when that leaves no extension.
bool ReadArchive(ArchiveKind kind, std::string_view path, std::vector<std::uint8_t> bytes, Archive& archive,
                 std::string& reason);

// The member's unpacked bytes, checked against its size and CRC-32; or
// false with the reason.
bool UnpackMember(const Archive& archive, const ArchiveMember& member, std::vector<std::uint8_t>& out,
                  std::string& reason);
