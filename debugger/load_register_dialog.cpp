// The register Load dialog; see load_register_dialog.h.
#include "debugger/load_register_dialog.h"

#include <QLineEdit>
#include <QPushButton>

#include "debugger/breakpoint_dialog.h"

namespace {

inline constexpr char kLoadText[] = "LOAD";
inline constexpr char kCancelText[] = "CANCEL";
constexpr int kLoadWidth = 190, kLoadHeight = 95;

QString LoadTitle(int order) {
  const std::string_view name = RegisterName(KindOfLoadOrder(order));
  return QString::fromLatin1(kLoadRegisterTitle) +
         QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

}  // namespace

LoadRegisterDialog::LoadRegisterDialog(CpuState& cpu, int order, QWidget* parent)
    : ToolDialog(parent, LoadTitle(order), kSmallDialogX, kSmallDialogY, kLoadWidth, kLoadHeight,
                 /*with_close_box=*/false),
      cpu_(cpu),
      order_(order),
      value_{IsWideLoadOrder(order) ? 65535u : 255u, 0} {
  field_ = BuildValueControls(this, IsWideLoadOrder(order), value_);
  cancel_ = MakeButton(this, QString::fromLatin1(kCancelText), 20, 55, 70, 25,
                       QStringLiteral("cancel_button"));
  load_ = MakeButton(this, QString::fromLatin1(kLoadText), 110, 55, 60, 25,
                     QStringLiteral("load_button"));
  connect(cancel_, &QPushButton::clicked, this, [this] { Finish(false); });
  connect(load_, &QPushButton::clicked, this, [this] {
    LoadRegister(cpu_, order_, value_.value);
    Finish(true);
  });
}

bool RunLoadRegisterDialog(CpuState& cpu, int order, QWidget* parent) {
  if (order < 0 || order >= kLoadableRegisters) return false;
  LoadRegisterDialog dialog(cpu, order, parent);
  return dialog.exec() == QDialog::Accepted;
}
