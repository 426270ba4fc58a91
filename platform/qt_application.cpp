// Qt application start-up for Vantro and Kelbrin; see qt_application.h.
#include "platform/qt_application.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "generated/program_version.h"

namespace {

const char* g_fatal_title = "";
const char* g_fatal_text = "";
QtMessageHandler g_qt_handler = nullptr;

// Qt reports a platform it cannot create with qFatal, which aborts after the
// handler returns: the handler never returns for that message, so the
// program ends as any other failed start. Other messages (Qt's reason, such
// as the display it could not reach) keep going to Qt's own output.
void StartUpMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type != QtFatalMsg) {
    if (g_qt_handler) g_qt_handler(type, context, message);
    return;
  }
  std::fprintf(stderr, "%s: %s\n", g_fatal_title, g_fatal_text);
  std::fflush(nullptr);
  // Half-built Qt objects must not be torn down: leave without destructors.
  std::_Exit(kStartFailedExitCode);
}

}  // namespace

std::unique_ptr<QApplication> StartQtApplication(int& argc, char** argv, const char* fatal_title,
                                                 const char* fatal_text) {
  g_fatal_title = fatal_title;
  g_fatal_text = fatal_text;
  g_qt_handler = qInstallMessageHandler(StartUpMessages);
  auto application = std::make_unique<QApplication>(argc, argv);
  // A fatal message later on is a fault of its own, not a failed start.
  qInstallMessageHandler(g_qt_handler);
  return application;
}

bool AnswerInformationOption(int argc, char** argv, std::string_view program, std::string_view help) {
  for (int k = 1; k < argc; ++k) {
    const std::string_view arg = argv[k];
    if (arg == "--help" || arg == "-h") {
      std::fwrite(help.data(), 1, help.size(), stdout);
      return true;
    }
    if (arg == "--version") {
      std::printf("%.*s (Vantro) %s\n%s", static_cast<int>(program.size()), program.data(),
                  kProgramVersion, kLicenceNotice);
      return true;
    }
  }
  return false;
}
