// The Qt application of both programs. Qt ends a program it cannot give a
// display (no usable platform plugin) with its own abort; here that becomes
// the program's start-up failure on standard error and exit code 1.
#pragma once
#include <QApplication>
#include <memory>
#include <string_view>

// Exit code of a program that could not start (a "Fatal Error" at start-up).
inline constexpr int kStartFailedExitCode = 1;

// Builds the QApplication. When Qt cannot create its platform, prints
// "<fatal_title>: <fatal_text>" and a line end on standard error and ends
// the process with kStartFailedExitCode; it does not return then. argc must
// outlive the application, as Qt requires.
std::unique_ptr<QApplication> StartQtApplication(int& argc, char** argv, const char* fatal_title,
                                                 const char* fatal_text);

// `--help` or `--version` anywhere on the command line: prints `help`, or the
// program's name, version and licence, on standard output and returns true,
// so the program ends with 0 before Qt starts. Both work without a display;
// the manual pages are made from them.
bool AnswerInformationOption(int argc, char** argv, std::string_view program, std::string_view help);
