// "Apply POKEs..." as a user meets it: check boxes for the trainers (a
// 128K-only one cannot be checked), then the question for a poke the file
// leaves open; Cancel there chooses nothing.
#include <QApplication>
#include <QInputDialog>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "snapshots/pok_dialog.h"

namespace {

std::vector<Trainer> SomeTrainers() {
  std::vector<Trainer> trainers(3);
  trainers[0].name = "Lives";
  trainers[0].pokes = {{8, 40000, 42, 0}, {8, 40001, kAskedPokeValue, 3}};
  trainers[0].asks_value = true;
  trainers[1].name = "Time";
  trainers[1].pokes = {{8, 40002, 7, 1}};
  trainers[2].name = "Other page";
  trainers[2].pokes = {{4, 49152, 9, 0}};
  trainers[2].needs_128k = true;
  return trainers;
}

// Answers the dialogs as they come up: checks rows (by a click on each),
// OK, then types value into the value question or cancels it.
void Answer(std::vector<int> rows, int value, bool cancel_value) {
  auto* timer = new QTimer;
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, [timer, rows, value, cancel_value] {
    for (QWidget* top : QApplication::topLevelWidgets()) {
      if (!top->isVisible()) continue;
      if (auto* dialog = qobject_cast<PokDialog*>(top)) {
        for (int row : rows) {
          QListWidgetItem* item = dialog->list()->item(row);
          // What a click on an enabled check box does.
          if (item->flags() & Qt::ItemIsEnabled) item->setCheckState(Qt::Checked);
        }
        QTest::mouseClick(dialog->ok_button(), Qt::LeftButton);
      } else if (auto* question = qobject_cast<QInputDialog*>(top)) {
        QVERIFY(question->labelText().contains("40001"));
        QCOMPARE(question->intValue(), 3);  // the file's original value is offered
        question->setIntValue(value);
        if (cancel_value) {
          question->reject();
        } else {
          question->accept();
        }
        timer->stop();
        timer->deleteLater();
      }
    }
  });
  timer->start();
}

}  // namespace

class PokDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void CheckedTrainersComeBackWithTheValueAsked() {
    QtTrainerChooser chooser;
    Answer({0, 2}, 9, false);
    auto chosen = chooser.ChooseTrainers(SomeTrainers());
    QVERIFY(chosen.has_value());
    QCOMPARE(int(chosen->size()), 1);
    QCOMPARE(int(chosen->front().index), 0);
    QCOMPARE(chosen->front().asked_values, std::vector<std::uint8_t>{9});
  }

  void CancelAtTheValueChoosesNothing() {
    QtTrainerChooser chooser;
    Answer({0, 1}, 9, true);
    QVERIFY(!chooser.ChooseTrainers(SomeTrainers()).has_value());
  }

  void OnlyTrainersA48kTakesCanBeChecked() {
    PokDialog dialog(SomeTrainers());
    QCOMPARE(dialog.list()->count(), 3);
    QVERIFY(dialog.list()->item(0)->flags() & Qt::ItemIsEnabled);
    QVERIFY(!(dialog.list()->item(2)->flags() & Qt::ItemIsEnabled));
    QCOMPARE(dialog.list()->item(2)->text(), QString("Other page (128K only)"));
  }
};

QTEST_MAIN(PokDialogTest)
#include "pok_dialog_qt_test.moc"
