// Kelbrin's entry point: start-up in the order the program depends on (the
// platform, the buffers, the window, the pictures), the event loop, and
// shutdown with exit code 0. Start-up failures are told in a "Fatal Error"
// box (on standard error when there is no display) and end the program with
// exit code 1.
#include <QApplication>
#include <QImage>
#include <QScreen>
#include <memory>
#include <new>

#include "data/picture.h"
#include "platform/fonts.h"
#include "platform/qt_application.h"
#include "platform/qt_host.h"
#include "romeditor/help_text.h"
#include "romeditor/kelbrin_window.h"
#include "romeditor/rom_editor.h"
#include "tools/charset_editor_window.h"

namespace {

constexpr const char* kFatalTitle = "Fatal Error";
constexpr const char* kCannotInitialise = "Can't initialise system";
constexpr const char* kCannotAllocate = "Can't allocate memory!";
constexpr const char* kCannotOpenWindow = "Can't open a main window!";

QImage ToQImage(const RgbaPicture& picture) {
  QImage image(picture.width, picture.height, QImage::Format_ARGB32);
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) image.setPixel(x, y, picture.At(x, y));
  }
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  if (AnswerInformationOption(argc, argv, "kelbrin", KelbrinUsageText())) return 0;
  std::unique_ptr<QApplication> app = StartQtApplication(argc, argv, kFatalTitle, kCannotInitialise);
  QtHost host;
  // The built-in pictures belong to the graphics facilities: without them
  // there is no window to show.
  std::optional<RgbaPicture> title = KelbrinTitlePicture();
  if (QGuiApplication::primaryScreen() == nullptr || !title || !HitMapPicture()) {
    host.ShowMessage(kFatalTitle, kCannotInitialise);
    return kStartFailedExitCode;
  }

  std::unique_ptr<RomEditor> editor(new (std::nothrow) RomEditor);
  if (!editor) {
    host.ShowMessage(kFatalTitle, kCannotAllocate);
    return kStartFailedExitCode;
  }
  try {
    InitRomEditor(*editor);  // reserves the 1,000,000-byte text buffer
  } catch (const std::bad_alloc&) {
    host.ShowMessage(kFatalTitle, kCannotAllocate);
    return kStartFailedExitCode;
  }

  ConsolasFont(8);  // resolved once here; list windows and labels ask for it again
  CharsetEditorState charset = MakeCharsetEditorState();
  KelbrinWindow window(*editor, host, charset, ToQImage(*title));
  host.set_parent(&window);
  window.show();
  if (window.windowHandle() == nullptr) {
    host.ShowMessage(kFatalTitle, kCannotOpenWindow);
    return kStartFailedExitCode;
  }
  app->exec();
  return 0;
}
