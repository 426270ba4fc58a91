// The zip directory and the gzip header are read here; zlib does all the
// inflating and the CRC-32. A zip is read from its end, where the central
// directory is found through the end record, as unzip tools do: the local
// headers in front of each member may be followed by data descriptors and
// are trusted only for the length of their name and extra field.
#include "snapshots/archive.h"

#include <zlib.h>

#include <algorithm>

#include "snapshots/file_names.h"

namespace {

constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::uint32_t kEntrySignature = 0x02014B50;
constexpr std::uint32_t kLocalSignature = 0x04034B50;
constexpr std::size_t kEndLength = 22;
constexpr std::size_t kEntryLength = 46;
constexpr std::size_t kLocalLength = 30;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;
constexpr std::uint16_t kEncrypted = 1;

// The gzip header (RFC 1952): magic, method 8, flags, then optional fields.
constexpr std::uint8_t kGzipExtra = 0x04;
constexpr std::uint8_t kGzipName = 0x08;

using Bytes = std::vector<std::uint8_t>;

std::uint32_t U16(const Bytes& bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at] | bytes[at + 1] << 8);
}
std::uint32_t U32(const Bytes& bytes, std::size_t at) {
  return U16(bytes, at) | U16(bytes, at + 2) << 16;
}

std::string Quoted(const std::string& name) { return "\"" + ShownMemberName(name) + "\""; }

// The end record: the last signature whose comment fits in the file.
bool FindEnd(const Bytes& bytes, std::size_t& end) {
  if (bytes.size() < kEndLength) return false;
  const std::size_t lowest = bytes.size() > kEndLength + 0xFFFF ? bytes.size() - kEndLength - 0xFFFF : 0;
  for (std::size_t at = bytes.size() - kEndLength + 1; at-- > lowest;) {
    if (U32(bytes, at) == kEndSignature && at + kEndLength + U16(bytes, at + 20) <= bytes.size()) {
      end = at;
      return true;
    }
  }
  return false;
}

bool ReadZip(Archive& archive, std::string& reason) {
  const Bytes& bytes = archive.bytes;
  std::size_t end = 0;
  if (!FindEnd(bytes, end)) {
    reason = "it has no zip directory at its end (not a zip archive, or cut off)";
    return false;
  }
  const std::uint32_t entries = U16(bytes, end + 10);
  const std::uint32_t directory_size = U32(bytes, end + 12);
  const std::uint32_t directory_at = U32(bytes, end + 16);
  if (U16(bytes, end + 4) != 0 || U16(bytes, end + 6) != 0 || U16(bytes, end + 8) != entries) {
    reason = "it is split over several disks";
    return false;
  }
  if (entries == 0xFFFF || directory_at == 0xFFFFFFFF || directory_size == 0xFFFFFFFF) {
    reason = "it is a ZIP64 archive, which is not supported";
    return false;
  }
  if (static_cast<std::uint64_t>(directory_at) + directory_size > end) {
    reason = "its directory is cut off";
    return false;
  }
  std::size_t at = directory_at;
  const std::size_t directory_end = static_cast<std::size_t>(directory_at) + directory_size;
  for (std::uint32_t k = 0; k < entries; ++k) {
    if (directory_end - at < kEntryLength || U32(bytes, at) != kEntrySignature) {
      reason = "its directory is damaged at entry " + std::to_string(k + 1);
      return false;
    }
    const std::size_t name_length = U16(bytes, at + 28);
    const std::size_t entry_length = kEntryLength + name_length + U16(bytes, at + 30) + U16(bytes, at + 32);
    if (directory_end - at < entry_length) {
      reason = "its directory is damaged at entry " + std::to_string(k + 1);
      return false;
    }
    ArchiveMember member;
    member.name.assign(bytes.begin() + static_cast<std::ptrdiff_t>(at + kEntryLength),
                       bytes.begin() + static_cast<std::ptrdiff_t>(at + kEntryLength + name_length));
    member.flags = static_cast<std::uint16_t>(U16(bytes, at + 8));
    member.method = static_cast<std::uint16_t>(U16(bytes, at + 10));
    member.crc = U32(bytes, at + 16);
    member.packed_size = U32(bytes, at + 20);
    member.size = U32(bytes, at + 24);
    const std::uint64_t local = U32(bytes, at + 42);
    at += entry_length;
    if (member.name.empty() || member.name.back() == '/') continue;  // a folder
    if (member.packed_size == 0xFFFFFFFF || member.size == 0xFFFFFFFF || local == 0xFFFFFFFF) {
      reason = Quoted(member.name) + " is stored as ZIP64, which is not supported";
      return false;
    }
    if (local + kLocalLength > directory_at || U32(bytes, static_cast<std::size_t>(local)) != kLocalSignature) {
      reason = Quoted(member.name) + " has no local header where the directory says";
      return false;
    }
    const std::size_t local_at = static_cast<std::size_t>(local);
    member.packed_at = local + kLocalLength + U16(bytes, local_at + 26) + U16(bytes, local_at + 28);
    if (member.packed_at + member.packed_size > directory_at) {
      reason = Quoted(member.name) + " is cut off";
      return false;
    }
    archive.members.push_back(std::move(member));
  }
  return true;
}

// The name a gzip header carries, or empty; the header itself is left to
// zlib to check.
std::string GzipHeaderName(const Bytes& bytes) {
  if (bytes.size() < 10 || (bytes[3] & kGzipName) == 0) return {};
  std::size_t at = 10;
  if ((bytes[3] & kGzipExtra) != 0) {
    if (bytes.size() < 12) return {};
    at += 2 + U16(bytes, 10);
  }
  std::string name;
  for (; at < bytes.size() && bytes[at] != 0; ++at) name += static_cast<char>(bytes[at]);
  if (at >= bytes.size()) return {};
  // Only the file part: a header name is no path to follow.
  const std::size_t slash = name.find_last_of("/\\");
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

bool ReadGzip(Archive& archive, std::string_view path, std::string& reason) {
  const Bytes& bytes = archive.bytes;
  if (bytes.size() < 18 || bytes[0] != 0x1F || bytes[1] != 0x8B) {
    reason = "it is not a gzip file";
    return false;
  }
  const std::size_t slash = path.find_last_of('/');
  std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
  if (ArchiveKindOf(name) == ArchiveKind::gzip) name.resize(name.size() - 3);  // ".gz"
  if (FileExtension(name).empty()) {
    const std::string inside = GzipHeaderName(bytes);
    if (!inside.empty()) name = inside;
  }
  ArchiveMember member;
  member.name = name;
  member.method = kDeflated;
  member.packed_size = bytes.size();
  archive.members.push_back(std::move(member));
  return true;
}

// Inflates packed into out, growing it as output comes, so a member that
// claims a great size costs nothing until its data really unpacks to it.
// window_bits: -15 raw deflate (zip), 31 gzip members one after another.
bool Inflate(const std::uint8_t* packed, std::size_t packed_size, int window_bits, Bytes& out,
             std::string& reason) {
  z_stream stream{};
  if (inflateInit2(&stream, window_bits) != Z_OK) {
    reason = "there is no memory to unpack it";
    return false;
  }
  constexpr std::size_t kFirstStep = 256 * 1024;
  stream.next_in = const_cast<Bytef*>(packed);
  stream.avail_in = static_cast<uInt>(packed_size);
  bool ok = true;
  while (true) {
    const std::size_t done = stream.total_out;
    if (out.size() == done) {
      if (out.size() >= kLargestMember) {
        reason = "it unpacks to more than 256 MB";
        ok = false;
        break;
      }
      // Doubling keeps the copying of a large member linear.
      out.resize(std::min(std::max(kFirstStep, out.size() * 2), kLargestMember));
    }
    stream.next_out = out.data() + done;
    stream.avail_out = static_cast<uInt>(out.size() - done);
    const int result = inflate(&stream, Z_NO_FLUSH);
    if (result == Z_STREAM_END) {
      // gzip: another member may follow; zeros padding the end are allowed.
      if (window_bits > 0 && stream.avail_in > 0) {
        const std::uint8_t* rest = stream.next_in;
        if (stream.avail_in >= 2 && rest[0] == 0x1F && rest[1] == 0x8B) {
          const uLong total = stream.total_out;
          inflateReset(&stream);
          stream.total_out = total;
          continue;
        }
        if (!std::all_of(rest, rest + stream.avail_in, [](std::uint8_t b) { return b == 0; })) {
          reason = "it has data after its end";
          ok = false;
        }
      }
      break;
    }
    if (result == Z_BUF_ERROR && stream.avail_in == 0) {
      reason = "its data is cut off";
      ok = false;
      break;
    }
    if (result != Z_OK && result != Z_BUF_ERROR) {
      reason = result == Z_MEM_ERROR ? "there is no memory to unpack it" : "its data is damaged";
      ok = false;
      break;
    }
  }
  out.resize(stream.total_out);
  inflateEnd(&stream);
  return ok;
}

}  // namespace

std::string ShownMemberName(std::string_view name) {
  constexpr std::size_t kLongest = 80;
  std::string shown;
  for (char c : name.substr(0, kLongest)) {
    const auto code = static_cast<unsigned char>(c);
    shown += code < 0x20 || code == 0x7F ? '?' : c;
  }
  if (name.size() > kLongest) shown += "...";
  return shown;
}

ArchiveKind ArchiveKindOf(std::string_view path) {
  const std::string extension = UpperAscii(FileExtension(path));
  if (extension == "ZIP") return ArchiveKind::zip;
  if (extension == "GZ") return ArchiveKind::gzip;
  return ArchiveKind::none;
}

bool ReadArchive(ArchiveKind kind, std::string_view path, std::vector<std::uint8_t> bytes, Archive& archive,
                 std::string& reason) {
  archive = Archive{};
  archive.kind = kind;
  archive.bytes = std::move(bytes);
  return kind == ArchiveKind::zip ? ReadZip(archive, reason) : ReadGzip(archive, path, reason);
}

bool UnpackMember(const Archive& archive, const ArchiveMember& member, std::vector<std::uint8_t>& out,
                  std::string& reason) {
  out.clear();
  const std::uint8_t* packed = archive.bytes.data() + member.packed_at;
  if (archive.kind == ArchiveKind::gzip) return Inflate(packed, member.packed_size, 16 + MAX_WBITS, out, reason);
  const std::string name = Quoted(member.name);
  if ((member.flags & kEncrypted) != 0) {
    reason = name + " is encrypted";
    return false;
  }
  if (member.size > kLargestMember) {
    reason = name + " is larger than 256 MB";
    return false;
  }
  if (member.method == kStored) {
    if (member.packed_size != member.size) {
      reason = name + " is damaged (its stored size does not match)";
      return false;
    }
    out.assign(packed, packed + member.packed_size);
  } else if (member.method == kDeflated) {
    if (!Inflate(packed, member.packed_size, -MAX_WBITS, out, reason)) {
      reason = name + ": " + reason;
      return false;
    }
    if (out.size() != member.size) {
      reason = name + " is damaged (it unpacks to another size than its directory says)";
      return false;
    }
  } else {
    reason = name + " is packed by method " + std::to_string(member.method) +
             ", which is not supported (stored and deflated are)";
    return false;
  }
  if (crc32(0L, out.data(), static_cast<uInt>(out.size())) != member.crc) {
    reason = name + " is damaged (its CRC-32 check fails)";
    return false;
  }
  return true;
}
