// The host layer of Vantro: key positions to Spectrum keys, the allophone
// mixer behind the SDL sound output, the picture area and the Video Out View.
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QMouseEvent>
#include <QTimer>
#include <QtTest>
#include <array>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "machine/display_renderer.h"
#include "platform/key_map.h"
#include "platform/picture_view.h"
#include "platform/qt_host.h"
#include "platform/sdl_sound.h"
#include "platform/video_out_view.h"

// Runs act on the file dialog as soon as it is up (its folder model may
// take a while to build).
void OnFileDialog(std::function<void(QFileDialog*)> act) {
  auto* timer = new QTimer;
  timer->setInterval(20);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) return;
    timer->stop();
    timer->deleteLater();
    act(dialog);
  });
  timer->start();
}

class HostLayerTest : public QObject {
  Q_OBJECT

 private slots:
  void X11ScanCodesReachEveryKeyOnce() {
    // Key codes of a PC keyboard under X11: row by row of the Spectrum matrix.
    struct Case {
      std::uint32_t code;
      HostKey key;
    };
    const Case cases[] = {
        {50, HostKey::LeftShift}, {62, HostKey::RightShift}, {36, HostKey::Return},
        {65, HostKey::Space},     {52, HostKey::Z},          {56, HostKey::B},
        {38, HostKey::A},         {24, HostKey::Q},          {10, HostKey::Digit1},
        {19, HostKey::Digit0},    {15, HostKey::Digit6},     {33, HostKey::P},
        {43, HostKey::H},         {58, HostKey::M},          {111, HostKey::Up},
        {116, HostKey::Down},     {113, HostKey::Left},      {114, HostKey::Right},
        {37, HostKey::LeftCtrl},
    };
    for (const Case& c : cases) {
      auto key = HostKeyFromX11ScanCode(c.code);
      QVERIFY2(key.has_value(), qPrintable(QString::number(c.code)));
      QCOMPARE(int(*key), int(c.key));
    }
    // Every host key has exactly one code; keys off the map reach nothing
    // (Right Ctrl 105, keypad 7 79, Escape 9, Tab 23).
    std::set<int> reached;
    for (std::uint32_t code = 0; code < 256; ++code) {
      if (auto key = HostKeyFromX11ScanCode(code)) {
        QVERIFY2(reached.insert(int(*key)).second, "two codes for one key");
      }
    }
    QCOMPARE(reached.size(), std::size_t(HostKey::kCount));
    for (std::uint32_t code : {105u, 79u, 9u, 23u}) QVERIFY(!HostKeyFromX11ScanCode(code));
  }

  void QtKeysStandInWithoutScanCodes() {
    QCOMPARE(int(*HostKeyFromQtKey(Qt::Key_A)), int(HostKey::A));
    QCOMPARE(int(*HostKeyFromQtKey(Qt::Key_9)), int(HostKey::Digit9));
    QCOMPARE(int(*HostKeyFromQtKey(Qt::Key_Enter)), int(HostKey::Return));
    QCOMPARE(int(*HostKeyFromQtKey(Qt::Key_Shift)), int(HostKey::LeftShift));
    QCOMPARE(int(*HostKeyFromQtKey(Qt::Key_Control)), int(HostKey::LeftCtrl));
    QVERIFY(!HostKeyFromQtKey(Qt::Key_Escape));
    // An event with a scan code goes by position only where codes are X11's.
    QKeyEvent event(QEvent::KeyPress, Qt::Key_Q, Qt::NoModifier, 38 /* A's place */, 0, 0);
    QCOMPARE(int(*HostKeyFromEvent(event, true)), int(HostKey::A));
    QCOMPARE(int(*HostKeyFromEvent(event, false)), int(HostKey::Q));
  }

  void MixerKeepsOverlappingAllophonesToTheirEnd() {
    auto set = std::make_unique<AllophoneSet>();
    set->samples[27] = std::vector<std::uint8_t>(100, 0x90);  // +16 around 80h
    set->samples[5] = std::vector<std::uint8_t>(30, 0x70);    // -16
    auto player = SdlSoundPlayer::ForMixingOnly(*set);
    std::array<std::int16_t, 200> out{};

    player->Play(27);
    player->Mix(out.data(), 50);
    QCOMPARE(out[0], std::int16_t(16 * 256));
    player->Play(5);  // starts while 27 still sounds
    QCOMPARE(player->SoundingVoices(), 2);
    player->Mix(out.data(), 40);
    QCOMPARE(out[0], std::int16_t(0));       // both together cancel out
    QCOMPARE(out[35], std::int16_t(16 * 256));  // 5 ended after 30, 27 goes on
    player->Mix(out.data(), 20);
    QCOMPARE(out[9], std::int16_t(16 * 256));  // 27's sample 99
    QCOMPARE(out[10], std::int16_t(0));        // and then silence
    QCOMPARE(player->SoundingVoices(), 0);

    player->Play(0);   // a pause has no sound
    player->Play(64);  // no such allophone
    player->Play(6);   // no recording loaded
    QCOMPARE(player->SoundingVoices(), 0);
  }

  void MixerClampsAndReusesTheVoiceNearestItsEnd() {
    auto set = std::make_unique<AllophoneSet>();
    for (int n = 5; n < 5 + SdlSoundPlayer::kVoiceCount + 1; ++n) {
      set->samples[n] = std::vector<std::uint8_t>(static_cast<std::size_t>(100 + n), 0xFF);
    }
    auto player = SdlSoundPlayer::ForMixingOnly(*set);
    for (int n = 5; n < 5 + SdlSoundPlayer::kVoiceCount + 1; ++n) player->Play(n);
    QCOMPARE(player->SoundingVoices(), SdlSoundPlayer::kVoiceCount);
    std::array<std::int16_t, 1> out{};
    player->Mix(out.data(), 1);
    QCOMPARE(out[0], std::int16_t(32767));
  }

  void BeeperStreamFillsUpThenKeepsItsLevelAgainstClockDrift() {
    // The device's clock runs up to 5 % fast or slow against the frames:
    // once playing the stream must never run dry, and once the pace is
    // learnt (10 s in) the level must stay between 40 and 80 ms.
    auto set = std::make_unique<AllophoneSet>();
    for (double drift : {0.05, 0.015, 0.0, -0.015, -0.05}) {
      auto player = SdlSoundPlayer::ForMixingOnly(*set, 48000);
      const std::vector<std::int16_t> block(958, 1000);
      std::array<std::int16_t, 512> out{};
      double owed = 0;  // samples the device has asked for, in 512-sample bites
      int lowest = 1 << 30, highest = 0;
      for (int frame = 0; frame < 1000; ++frame) {
        player->QueueBeeper(block.data(), static_cast<int>(block.size()));
        owed += 958 * (1 + drift);
        for (; owed >= 512; owed -= 512) {
          player->Mix(out.data(), 512);
          // Nothing plays before the first 50 ms are in (the third frame), and
          // nothing is missing after.
          const bool playing = frame >= 2;
          for (std::int16_t v : out) {
            if (playing) QVERIFY2(std::abs(v - 1000) <= 1, "the stream ran dry or stepped");
            else QCOMPARE(v, std::int16_t(0));
          }
        }
        if (frame >= 500) {
          lowest = std::min(lowest, player->BufferedBeeperSamples());
          highest = std::max(highest, player->BufferedBeeperSamples());
        }
      }
      // Counting the device's bite of 512 on top of what waits.
      QVERIFY2(lowest + 512 >= 1920 && highest <= 3840,
               qPrintable(QString("drift %1: %2-%3 samples waiting").arg(drift).arg(lowest).arg(highest)));

      // No more frames (a dialog open, another speed): the sound fades out
      // instead of stopping dead.
      for (int bite = 0; bite < 10; ++bite) player->Mix(out.data(), 512);
      int previous = out[0];
      for (int k = 0; k < 4; ++k) {
        player->Mix(out.data(), 512);
        for (std::int16_t v : out) {
          QVERIFY2(std::abs(v - previous) <= 1000 / 128 + 1, "a step where the stream ran dry");
          previous = v;
        }
      }
      QVERIFY(std::abs(previous) < 10);
    }
  }

  // Each type entry shows its patterns once, "All files (*)" is offered, and
  // a dialog starts in the folder the last one ended in.
  void FileDialogsShowEachFilterOnceAndStartInTheFolderLastUsed() {
    QTemporaryDir folder;
    QFile tape(folder.filePath(QStringLiteral("game.tap")));
    QVERIFY(tape.open(QIODevice::WriteOnly));
    tape.close();
    QtHost host;
    QString first_folder, second_folder;
    QStringList filters;
    OnFileDialog([&](QFileDialog* dialog) {
      first_folder = dialog->directory().absolutePath();
      filters = dialog->nameFilters();
      dialog->selectFile(tape.fileName());
      static_cast<QDialog*>(dialog)->accept();  // as the dialog's own button does
    });
    const std::string opened =
        host.AskOpenPath("Load File", "All supported files (*.sna)|*.sna;*.z80;*.tap;;All files (*)|*");
    QCOMPARE(QString::fromStdString(opened), tape.fileName());
    QCOMPARE(first_folder, QDir(InitialDialogFolder()).absolutePath());
    QCOMPARE(filters, (QStringList{"All supported files (*.sna *.z80 *.tap)", "All files (*)"}));

    OnFileDialog([&](QFileDialog* dialog) {
      second_folder = dialog->directory().absolutePath();
      dialog->selectNameFilter(dialog->nameFilters().at(1));
      // Typed into the name field, as a user does.
      auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
      QVERIFY(name != nullptr);
      name->setText(QStringLiteral("snap2"));
      static_cast<QDialog*>(dialog)->accept();  // as the dialog's own button does
    });
    int choice = -1;
    const std::string saved = host.AskSavePathChoosing("Save SNA file", "SNA (*.sna)|*.sna;;Z80 (*.z80)|*.z80", choice);
    QCOMPARE(second_folder, QDir(folder.path()).absolutePath());
    QCOMPARE(choice, 1);
    QCOMPARE(QString::fromStdString(saved), folder.filePath(QStringLiteral("snap2")));
  }

  // A box with a short text is still wide enough for its title and the
  // title bar's buttons.
  void MessageBoxesAreWideEnoughForTheirTitles() {
    QtHost host;
    for (const char* title : {"Load TAP", "NMI Fix", "Restore Default ROM", "Save SNA"}) {
      int width = 0;
      QTimer::singleShot(50, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box != nullptr);
        width = box->width();
        box->close();
      });
      host.ShowMessage(title, "OK");
      QFont bold = QApplication::font();
      bold.setBold(true);
      const int needed = QFontMetrics(bold).horizontalAdvance(QString::fromLatin1(title)) + 120;
      QVERIFY2(width >= needed, qPrintable(QString("%1: %2 wide, %3 needed").arg(title).arg(width).arg(needed)));
    }
  }

  void PictureViewShowsTheArrayWithoutCopying() {
    std::vector<std::uint32_t> pixels(4 * 3, 0xFF102030u);
    PictureView view;
    view.setFixedSize(4, 3);
    view.ShowPixels(pixels.data(), 4, 3);
    pixels[5] = 0xFFAABBCCu;  // changed after ShowPixels: still what is shown
    QCOMPARE(view.image().pixel(1, 1), QRgb(0xFFAABBCCu));
  }

  void VideoOutViewShowsAFreshFrameUntilALeftClick() {
    auto renderer = std::make_unique<DisplayRenderer>();
    auto machine = std::make_unique<Machine>();
    machine->ula_out = 2;  // red border
    bool checked = false;
    QTimer::singleShot(50, [&] {
      auto* view = dynamic_cast<VideoOutView*>(QApplication::activeModalWidget());
      QVERIFY(view != nullptr);
      QCOMPARE(view->windowTitle(), QStringLiteral("Vantro - Video Out View"));
      QCOMPARE(view->pos(), QPoint(660, 10));
      QCOMPARE(view->size(), QSize(320, 240));
      QVERIFY(!(view->windowFlags() & Qt::WindowSystemMenuHint));
      auto* strip = view->findChild<QLabel*>(QStringLiteral("video_out_strip"));
      QVERIFY(strip != nullptr);
      QCOMPARE(strip->text(), QStringLiteral("LEFT CLICK ANYWHERE INSIDE THIS WINDOW TO CLOSE IT"));
      QCOMPARE(strip->geometry(), QRect(0, 224, 320, 14));
      QCOMPARE(strip->palette().color(QPalette::Window), QColor(255, 255, 0));
      // Rendered on opening: the border is the machine's.
      QCOMPARE(renderer->frame_picture[0], renderer->palette.pixel[2]);
      // Escape and a right click leave it open; a left click closes it.
      QTest::keyClick(view, Qt::Key_Escape);
      QTest::mouseClick(view, Qt::RightButton, Qt::NoModifier, QPoint(100, 100));
      QVERIFY(view->isVisible());
      checked = true;
      QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    });
    ShowVideoOutView(*renderer, *machine, 1000);
    QVERIFY(checked);
  }
};

QTEST_MAIN(HostLayerTest)
#include "host_layer_qt_test.moc"
