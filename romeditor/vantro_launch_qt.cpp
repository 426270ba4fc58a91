// "Run in Vantro"; see vantro_launch_qt.h.
#include "romeditor/vantro_launch_qt.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

QString FindVantro(const QString& kelbrin_folder) {
  const QDir folder(kelbrin_folder);
  for (const QString& candidate : {folder.filePath(QStringLiteral("vantro")),
                                   folder.filePath(QStringLiteral("../emulator/vantro"))}) {
    const QFileInfo info(candidate);
    if (info.isFile() && info.isExecutable()) return info.absoluteFilePath();
  }
  return QStandardPaths::findExecutable(QStringLiteral("vantro"));
}

VantroLauncher::VantroLauncher()
    : finder_([] { return FindVantro(QCoreApplication::applicationDirPath()); }),
      starter_([](const QString& program, const QStringList& arguments) {
        return QProcess::startDetached(program, arguments);
      }) {}

void VantroLauncher::Run(std::span<const std::uint8_t> image, Host& host) {
  const QString vantro = finder_();
  if (vantro.isEmpty()) {
    host.ShowMessage(kRunInVantroTitle, kVantroNotFound);
    return;
  }
  const QString path = folder_.filePath(QStringLiteral("kelbrin-%1.rom").arg(++runs_));
  QFile file(path);
  const auto size = static_cast<qint64>(image.size());
  if (!folder_.isValid() || !file.open(QIODevice::WriteOnly) ||
      file.write(reinterpret_cast<const char*>(image.data()), size) != size || !file.flush()) {
    host.ShowMessage(kRunInVantroTitle, kCantWriteRunImage);
    return;
  }
  file.close();
  if (!starter_(vantro, {QStringLiteral("--rom"), path})) {
    host.ShowMessage(kRunInVantroTitle, kCantStartVantro);
  }
}
