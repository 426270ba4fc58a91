// "File" > "Run in Vantro": the edited image goes to a temporary file and
// Vantro starts on it with --rom, so a ROM change is tried in one step.
// KelbrinWindow owns one launcher; tests replace how Vantro is found and
// started.
#pragma once
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <cstdint>
#include <functional>
#include <span>

#include "tools/host.h"

inline constexpr const char* kRunInVantroTitle = "Run in Vantro";
inline constexpr const char* kVantroNotFound =
    "Can't find Vantro: there is no vantro beside Kelbrin or on the PATH!";
inline constexpr const char* kCantWriteRunImage = "Can't write the ROM image to a temporary file!";
inline constexpr const char* kCantStartVantro = "Can't start Vantro!";

// Vantro beside Kelbrin's own executable (the two are installed together),
// then in the build tree's emulator folder beside romeditor, then on the
// PATH; empty when none is there.
QString FindVantro(const QString& kelbrin_folder);

class VantroLauncher {
 public:
  using Finder = std::function<QString()>;
  // Starts program with arguments and does not wait for it; false when it
  // could not start.
  using Starter = std::function<bool(const QString& program, const QStringList& arguments)>;

  VantroLauncher();
  // Writes the image and starts Vantro on it; a problem is told through
  // host and nothing is started.
  void Run(std::span<const std::uint8_t> image, Host& host);
  void set_finder(Finder finder) { finder_ = std::move(finder); }
  void set_starter(Starter starter) { starter_ = std::move(starter); }

 private:
  // Each run gets a file of its own, since an earlier Vantro may still be
  // starting on its file; the folder goes when Kelbrin ends.
  QTemporaryDir folder_;
  int runs_ = 0;
  Finder finder_;
  Starter starter_;
};
