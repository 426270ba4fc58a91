// The break-on-opcode and break-on-value dialogs; see breakpoint_dialog.h.
#include "debugger/breakpoint_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

inline constexpr char kValueLabel[] = "Value";
inline constexpr char kOpcodeLabel[] = "Opcode";
inline constexpr char kSetText[] = "Set";
inline constexpr char kChangeText[] = "Change";
inline constexpr char kCancelText[] = "Cancel";

constexpr int kOpcodeWidth = 180, kOpcodeHeight = 95;
constexpr int kValueWidth = 190, kValueHeight = 95;

// Digits-only field whose every change goes through the field rules.
QLineEdit* WatchedField(QDialog* dialog, int x, int y, int w, int h, ValueField& rules) {
  QLineEdit* field = MakeDigitField(dialog, x, y, w, h, QStringLiteral("value_field"));
  field->setText(QStringLiteral("0"));
  QObject::connect(field, &QLineEdit::textChanged, dialog, [field, &rules](const QString& text) {
    if (auto replacement = rules.Edit(text.toStdString())) {
      field->setText(QString::fromStdString(*replacement));
    }
  });
  return field;
}

}  // namespace

QLineEdit* BuildValueControls(QDialog* dialog, bool wide, ValueField& field) {
  const int x = wide ? 110 : 130;
  const int w = wide ? 60 : 40;
  MakeCentredLabel(dialog, QString::fromLatin1(kValueLabel), x, 8, w, 20);
  return WatchedField(dialog, x, 25, w, 20, field);
}

BreakOnOpcodeDialog::BreakOnOpcodeDialog(Breakpoint& breakpoint, QWidget* parent)
    : ToolDialog(parent, QString::fromLatin1(kBreakOnOpcodeTitle), kSmallDialogX, kSmallDialogY,
                 kOpcodeWidth, kOpcodeHeight, /*with_close_box=*/false),
      breakpoint_(breakpoint) {
  MakeCentredLabel(this, QString::fromLatin1(kOpcodeLabel), 120, 8, 40, 20);
  field_ = WatchedField(this, 120, 25, 40, 20, opcode_);
  field_->setObjectName(QStringLiteral("opcode_field"));
  cancel_ = MakeButton(this, QString::fromLatin1(kCancelText), 20, 55, 60, 25,
                       QStringLiteral("cancel_button"));
  set_ = MakeButton(this, QString::fromLatin1(kSetText), 100, 55, 60, 25,
                    QStringLiteral("set_button"));
  connect(cancel_, &QPushButton::clicked, this, [this] { Finish(false); });
  connect(set_, &QPushButton::clicked, this, [this] {
    ArmOpcodeBreakpoint(breakpoint_, opcode());
    Finish(true);
  });
}

BreakOnValueDialog::BreakOnValueDialog(Breakpoint& breakpoint, std::uint8_t kind,
                                       const CpuState& cpu, QWidget* parent)
    : ToolDialog(parent,
                 QString::fromLatin1(kBreakOnValueTitle) +
                     QString::fromLatin1(RegisterName(kind).data(),
                                         static_cast<qsizetype>(RegisterName(kind).size())),
                 kSmallDialogX, kSmallDialogY, kValueWidth, kValueHeight,
                 /*with_close_box=*/false),
      breakpoint_(breakpoint),
      kind_(kind),
      cpu_(cpu),
      value_{IsWideRegisterKind(kind) ? 65535u : 255u, 0} {
  field_ = BuildValueControls(this, IsWideRegisterKind(kind), value_);
  change_ = MakeButton(this, QString::fromLatin1(kChangeText), 20, 22, 70, 25,
                       QStringLiteral("change_button"));
  cancel_ = MakeButton(this, QString::fromLatin1(kCancelText), 20, 55, 70, 25,
                       QStringLiteral("cancel_button"));
  set_ = MakeButton(this, QString::fromLatin1(kSetText), 110, 55, 60, 25,
                    QStringLiteral("set_button"));
  connect(cancel_, &QPushButton::clicked, this, [this] { Finish(false); });
  connect(set_, &QPushButton::clicked, this, [this] {
    ArmValueBreakpoint(breakpoint_, kind_, value_.value);
    Finish(true);
  });
  connect(change_, &QPushButton::clicked, this, [this] {
    ArmChangeBreakpoint(breakpoint_, kind_, cpu_);
    Finish(true);
  });
}

bool RunBreakOnOpcodeDialog(Breakpoint& breakpoint, QWidget* parent) {
  BreakOnOpcodeDialog dialog(breakpoint, parent);
  return dialog.exec() == QDialog::Accepted;
}

bool RunBreakOnValueDialog(Breakpoint& breakpoint, std::uint8_t kind, const CpuState& cpu,
                           QWidget* parent) {
  // Only the register kinds have a value to compare; anything else arms nothing.
  if (kind < kFirstRegisterKind || kind > kLastRegisterKind) return false;
  BreakOnValueDialog dialog(breakpoint, kind, cpu, parent);
  return dialog.exec() == QDialog::Accepted;
}
