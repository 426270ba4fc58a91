// Building zip archives and gzip files in tests, with zlib doing the
// deflating: members stored or deflated, the central directory and its end
// record as a zip tool writes them.
#pragma once
#include <zlib.h>

#include <string>
#include <vector>

#include "snapshot_files.h"

struct ZipMember {
  std::string name;
  Bytes data;
  bool deflated = true;
};

// Raw deflate (no zlib header), as a zip member holds it.
inline Bytes RawDeflated(const Bytes& data) {
  z_stream stream{};
  deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  Bytes out(deflateBound(&stream, static_cast<uLong>(data.size())));
  stream.next_in = const_cast<Bytef*>(data.data());
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}

inline void PutLe(Bytes& out, std::uint32_t value, int size) {
  for (int k = 0; k < size; ++k) out.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
}

inline Bytes ZipFile(const std::vector<ZipMember>& members) {
  Bytes file, directory;
  for (const ZipMember& member : members) {
    const Bytes packed = member.deflated ? RawDeflated(member.data) : member.data;
    const auto crc = static_cast<std::uint32_t>(crc32(0, member.data.data(), static_cast<uInt>(member.data.size())));
    const auto offset = static_cast<std::uint32_t>(file.size());
    const std::uint16_t method = member.deflated ? 8 : 0;
    auto common = [&](Bytes& out) {
      PutLe(out, 20, 2);  // version needed
      PutLe(out, 0, 2);   // flags
      PutLe(out, method, 2);
      PutLe(out, 0, 4);   // time and date
      PutLe(out, crc, 4);
      PutLe(out, static_cast<std::uint32_t>(packed.size()), 4);
      PutLe(out, static_cast<std::uint32_t>(member.data.size()), 4);
      PutLe(out, static_cast<std::uint32_t>(member.name.size()), 2);
      PutLe(out, 0, 2);  // extra field
    };
    PutLe(file, 0x04034B50, 4);
    common(file);
    file.insert(file.end(), member.name.begin(), member.name.end());
    file.insert(file.end(), packed.begin(), packed.end());
    PutLe(directory, 0x02014B50, 4);
    PutLe(directory, 20, 2);  // made by
    common(directory);
    PutLe(directory, 0, 2);  // comment
    PutLe(directory, 0, 2);  // disk
    PutLe(directory, 0, 2);  // internal attributes
    PutLe(directory, 0, 4);  // external attributes
    PutLe(directory, offset, 4);
    directory.insert(directory.end(), member.name.begin(), member.name.end());
  }
  const auto directory_at = static_cast<std::uint32_t>(file.size());
  file.insert(file.end(), directory.begin(), directory.end());
  PutLe(file, 0x06054B50, 4);
  PutLe(file, 0, 4);  // disks
  PutLe(file, static_cast<std::uint32_t>(members.size()), 2);
  PutLe(file, static_cast<std::uint32_t>(members.size()), 2);
  PutLe(file, static_cast<std::uint32_t>(directory.size()), 4);
  PutLe(file, directory_at, 4);
  PutLe(file, 0, 2);  // comment
  return file;
}

// A gzip file of data, naming name in its header when one is given.
inline Bytes GzipFile(const Bytes& data, const std::string& name = "") {
  z_stream stream{};
  deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
  gz_header header{};
  std::string stored_name = name;
  if (!name.empty()) {
    header.name = reinterpret_cast<Bytef*>(stored_name.data());
    deflateSetHeader(&stream, &header);
  }
  Bytes out(deflateBound(&stream, static_cast<uLong>(data.size())) + name.size() + 32);
  stream.next_in = const_cast<Bytef*>(data.data());
  stream.avail_in = static_cast<uInt>(data.size());
  stream.next_out = out.data();
  stream.avail_out = static_cast<uInt>(out.size());
  deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  return out;
}
