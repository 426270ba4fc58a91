// Kelbrin's main window, menu and command flows with a scripted user, and
// the shared Peek/Poke dialogs in their Kelbrin form on the ROM map.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "kelbrin_test_support.h"
#include "generated/program_version.h"
#include "romeditor/help_text.h"
#include "romeditor/help_window.h"
#include "romeditor/kelbrin_window.h"
#include "romeditor/rom_map.h"
#include "support/fake_host.h"
#include "tools/peek_dialog.h"
#include "tools/poke_dialog.h"

namespace {

// Runs check on the modal window that the next command opens, then closes it.
void OnNextModal(std::function<void(QWidget*)> check) {
  QTimer::singleShot(0, [check] {
    QWidget* modal = QApplication::activeModalWidget();
    QVERIFY(modal != nullptr);
    check(modal);
    modal->close();
  });
}

QImage TitlePicture() {
  QImage image(380, 185, QImage::Format_ARGB32);
  image.fill(Qt::darkBlue);
  return image;
}

}  // namespace

class KelbrinWindowTest : public QObject {
  Q_OBJECT

 private:
  struct Fixture {
    RomEditor editor;
    FakeHost host;
    ScriptedAsker asker;
    CharsetEditorState charset;
    std::unique_ptr<KelbrinWindow> window;
    Fixture() {
      InitRomEditor(editor);
      window = std::make_unique<KelbrinWindow>(editor, host, charset, TitlePicture());
      window->set_asker(&asker);
    }
  };

 private slots:
  void WindowIsTheFixedSizeTitledPictureWindow() {
    Fixture f;
    f.window->show();
    QCOMPARE(f.window->windowTitle(), QStringLiteral("Kelbrin"));
    QCOMPARE(f.window->client()->size(), QSize(380, 200));
    QCOMPARE(f.window->minimumSize(), f.window->maximumSize());
    QCOMPARE(f.window->pos(), QPoint(40, 40));
    QCOMPARE(f.window->title_label()->geometry(), QRect(0, 0, 380, 185));
    QVERIFY(!f.window->title_label()->pixmap().isNull());
    QVERIFY(!(f.window->windowFlags() & Qt::WindowMaximizeButtonHint));
  }

  void MenuItemsCarryTheirIdsTextsAndStartMarks() {
    Fixture f;
    struct Item { int id; const char* text; bool checkable; bool checked; };
    const Item items[] = {
        {1, "Load rom/bin", false, false},       {2, "Save rom/bin", false, false},
        {3, "Restore default ROM", false, false}, {4, "Exit", false, false},
        {10, ".. to file", false, false},          {11, ".. to window", false, false},
        {12, "Define CODE block", false, false},   {13, "Define DATA block", false, false},
        {14, "Output in HEX", true, true},         {15, "Enable ROM mapping", true, true},
        {16, "Edit Character Set", false, false},  {17, "Hex dump", false, false},
        {18, "Peek", false, false},                {19, "Poke", false, false},
        {20, "NMI Fix", true, false},              {34, "Help", false, false},
        {35, "About", false, false},
    };
    for (const Item& item : items) {
      QAction* action = f.window->action(item.id);
      QVERIFY2(action != nullptr, item.text);
      QCOMPARE(action->text(), QString::fromLatin1(item.text));
      QCOMPARE(action->data().toInt(), item.id);
      QCOMPARE(action->isCheckable(), item.checkable);
      QCOMPARE(action->isChecked(), item.checked);
    }
    QStringList top;
    for (QAction* a : f.window->menuBar()->actions()) top << a->text();
    QCOMPARE(top, (QStringList{"File", "Tools", "Help"}));
    // Tools > Disassembler > Disassemble.. / ROM Map
    QMenu* tools = f.window->menuBar()->actions()[1]->menu();
    QMenu* disassembler = tools->actions()[0]->menu();
    QCOMPARE(tools->actions()[0]->text(), QStringLiteral("Disassembler"));
    QCOMPARE(disassembler->actions()[0]->text(), QStringLiteral("Disassemble.."));
    QCOMPARE(disassembler->actions()[1]->text(), QStringLiteral("ROM Map"));
    QVERIFY(disassembler->actions()[2]->isSeparator());
  }

  void UnknownIdShowsTheInfoBox() {
    Fixture f;
    f.window->RunCommand(21);
    QCOMPARE(f.host.messages.size(), std::size_t{1});
    QCOMPARE(f.host.messages[0].first, std::string("Info"));
    QCOMPARE(f.host.messages[0].second, std::string("MenuItem: 21 is not currently installed."));
  }

  // Unchanged, Escape, "Exit" and the close box end Kelbrin at once; with
  // the image or the map changed since the last load or save they ask, and
  // No keeps it open.
  void QuittingAsksOnlyWhileChangesAreUnsaved() {
    Fixture f;
    TempFolder folder;
    const BlockRequest whole{0, kRomSize, MapOption::kMapFile};
    struct Case {
      const char* what;
      std::function<void()> change;
      std::function<void()> quit;
      bool asks;
    };
    const Case cases[] = {
        {"nothing changed, Escape", [] {}, [&] { QTest::keyClick(f.window.get(), Qt::Key_Escape); }, false},
        {"nothing changed, Exit", [] {}, [&] { f.window->action(kCmdExit)->trigger(); }, false},
        {"an image byte, Escape", [&] { f.editor.rom_image[0x1000] ^= 0xFF; },
         [&] { QTest::keyClick(f.window.get(), Qt::Key_Escape); }, true},
        {"a map byte, close box", [&] { f.editor.rom_map[0x10] ^= 1; }, [&] { f.window->close(); }, true},
        {"changed then saved with its map",
         [&] {
           f.editor.rom_image[0x1000] ^= 0xFF;
           f.editor.rom_map[0x10] ^= 1;
           f.asker.blocks.push_back(whole);
           f.host.save_paths.push_back(folder.File("edited.rom"));
           f.window->RunCommand(kCmdSaveBlock);
         },
         [&] { f.window->action(kCmdExit)->trigger(); }, false},
        {"saved without its map", 
         [&] {
           f.editor.rom_map[0x20] ^= 1;
           f.asker.blocks.push_back(BlockRequest{0, kRomSize, MapOption::kNone});
           f.host.save_paths.push_back(folder.File("nomap.rom"));
           f.window->RunCommand(kCmdSaveBlock);
         },
         [&] { f.window->action(kCmdExit)->trigger(); }, true},
        {"changed then loaded over",
         [&] {
           f.editor.rom_image[0x1000] ^= 0xFF;
           f.asker.blocks.push_back(whole);
           f.host.open_paths.push_back(folder.File("edited.rom"));
           f.window->RunCommand(kCmdLoadBlock);
         },
         [&] { f.window->action(kCmdExit)->trigger(); }, false},
    };
    for (const Case& c : cases) {
      f.window->show();
      c.change();
      f.host.messages.clear();
      c.quit();
      QVERIFY2(f.host.messages.empty() == !c.asks, c.what);
      if (!c.asks) {
        QVERIFY2(!f.window->isVisible(), c.what);
        continue;
      }
      QCOMPARE(f.host.messages.back(), (std::pair<std::string, std::string>{kQuitTitle, kQuitQuestion}));
      QVERIFY2(f.window->isVisible(), c.what);  // answered No
      f.host.yes_no.push_back(true);
      c.quit();
      QVERIFY2(!f.window->isVisible(), c.what);
    }
  }

  void TogglesFlipStateAndMarks() {
    Fixture f;
    f.window->action(kCmdOutputInHex)->trigger();
    QVERIFY(!f.editor.hex_mode);
    QVERIFY(!f.window->action(kCmdOutputInHex)->isChecked());
    f.window->action(kCmdEnableMapping)->trigger();
    QVERIFY(!f.editor.map_enabled);
    QVERIFY(!f.window->action(kCmdEnableMapping)->isChecked());
    f.window->RunCommand(kCmdEnableMapping);
    QVERIFY(f.editor.map_enabled);
    QVERIFY(f.window->action(kCmdEnableMapping)->isChecked());
  }

  void RestoreAsksAndOnlyYesRestores() {
    Fixture f;
    f.editor.rom_image[0] = 0x76;
    f.window->RunCommand(kCmdRestoreRom);  // No
    QCOMPARE(f.editor.rom_image[0], std::uint8_t{0x76});
    f.host.yes_no.push_back(true);
    f.window->RunCommand(kCmdRestoreRom);
    QCOMPARE(f.editor.rom_image[0], BuiltInRom()[0]);
    QCOMPARE(f.host.messages.back().first, std::string("Restore Default ROM"));
    QCOMPARE(f.host.messages.back().second, std::string("Any unsaved changes will be lost, Proceed?"));
  }

  // "Run in Vantro" starts the Vantro it finds with --rom on a file holding
  // the edited image; without a Vantro, or when it cannot start, a message.
  void RunInVantroStartsVantroOnTheEditedImage() {
    Fixture f;
    f.editor.rom_image[0x1234] = 0xA5;
    QString found;
    bool starts = true;
    QStringList started;
    QByteArray image_seen;
    f.window->launcher().set_finder([&] { return found; });
    f.window->launcher().set_starter([&](const QString& program, const QStringList& arguments) {
      started = QStringList{program} + arguments;
      QFile file(arguments.value(1));
      if (file.open(QIODevice::ReadOnly)) image_seen = file.readAll();
      return starts;
    });
    const struct { const char* vantro; bool starts; const char* message; } cases[] = {
        {"", true, "Can't find Vantro: there is no vantro beside Kelbrin or on the PATH!"},
        {"/opt/vantro/bin/vantro", false, "Can't start Vantro!"},
        {"/opt/vantro/bin/vantro", true, nullptr},
    };
    for (const auto& c : cases) {
      found = QString::fromLatin1(c.vantro);
      starts = c.starts;
      started.clear();
      f.host.messages.clear();
      f.window->action(kCmdRunInVantro)->trigger();
      if (c.message != nullptr) {
        QCOMPARE(f.host.messages.size(), std::size_t{1});
        QCOMPARE(f.host.messages[0].first, std::string("Run in Vantro"));
        QCOMPARE(f.host.messages[0].second, std::string(c.message));
      } else {
        QVERIFY(f.host.messages.empty());
      }
      QCOMPARE(started.value(0), found.isEmpty() ? QString() : found);
    }
    QCOMPARE(started.value(1), QStringLiteral("--rom"));
    QCOMPARE(image_seen, QByteArray(reinterpret_cast<const char*>(f.editor.rom_image.data()), 16384));
  }

  // The real start: a stand-in vantro beside "Kelbrin" is found and run
  // detached with --rom and the image file.
  void RunInVantroStartsTheVantroBesideKelbrin() {
    Fixture f;
    QTemporaryDir folder;
    const QString stand_in = folder.filePath(QStringLiteral("vantro"));
    const QString said = folder.filePath(QStringLiteral("arguments"));
    {
      QFile script(stand_in);
      QVERIFY(script.open(QIODevice::WriteOnly));
      script.write(QStringLiteral("#!/bin/sh\necho \"$1\" \"$(wc -c < \"$2\")\" > '%1.new'\nmv '%1.new' '%1'\n")
                       .arg(said).toUtf8());
      script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QCOMPARE(FindVantro(folder.path()), stand_in);
    f.window->launcher().set_finder([&] { return FindVantro(folder.path()); });
    f.window->action(kCmdRunInVantro)->trigger();
    QVERIFY(f.host.messages.empty());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(said), 10000);
    QFile result(said);
    QVERIFY(result.open(QIODevice::ReadOnly));
    QCOMPARE(result.readAll().trimmed(), QByteArray("--rom 16384"));
  }

  void NmiMarkFollowsTheToggleAndSurvivesRestore() {
    Fixture f;
    f.window->action(kCmdNmiFix)->trigger();
    QVERIFY(f.window->action(kCmdNmiFix)->isChecked());
    QCOMPARE(f.host.messages.back().second, std::string("NMI fix installed."));
    f.host.yes_no.push_back(true);
    f.window->RunCommand(kCmdRestoreRom);
    QCOMPARE(f.editor.rom_image[0x6D], std::uint8_t{0x20});
    QVERIFY(f.window->action(kCmdNmiFix)->isChecked());
    f.window->action(kCmdNmiFix)->trigger();
    QVERIFY(f.window->action(kCmdNmiFix)->isChecked());
    QCOMPARE(f.editor.rom_image[0x6D], std::uint8_t{0x28});
    f.window->action(kCmdNmiFix)->trigger();
    QVERIFY(!f.window->action(kCmdNmiFix)->isChecked());
    QCOMPARE(f.host.messages.back().second, std::string("NMI Fix removed."));
  }

  void DefineDataAsksYesNoAndRespectsDisabledMapping() {
    Fixture f;
    f.asker.ranges.push_back(RomRange{0x300, 0x30F});
    f.host.yes_no.push_back(true);
    f.window->RunCommand(kCmdDefineData);
    QCOMPARE(f.host.messages.back().second, std::string("Define 0300h To 030Fh As Data?"));
    QCOMPARE(f.editor.rom_map[0x300], std::uint8_t{1});
    QCOMPARE(f.editor.rom_map[0x310], std::uint8_t{0});

    f.asker.ranges.push_back(RomRange{0x300, 0x30F});
    f.window->RunCommand(kCmdDefineCode);  // answered No
    QCOMPARE(f.host.messages.back().second, std::string("Define 0300h to 030Fh as CODE?"));
    QCOMPARE(f.editor.rom_map[0x300], std::uint8_t{1});

    f.window->RunCommand(kCmdEnableMapping);
    f.window->RunCommand(kCmdDefineCode);
    QCOMPARE(f.host.messages.back().second, std::string("ROM Mapping is currently disabled."));
  }

  void DisassemblerWindowListsTheRange() {
    Fixture f;
    f.asker.ranges.push_back(RomRange{0x0013, 0x0018});
    OnNextModal([](QWidget* modal) {
      QCOMPARE(modal->windowTitle(), QStringLiteral("Z80 Disassembler"));
      QCOMPARE(modal->size(), QSize(330, 400));
      QCOMPARE(modal->pos(), QPoint(280, 50));
      auto* list = modal->findChild<QListWidget*>();
      QVERIFY(list != nullptr);
      QVERIFY(list->item(0)->text().startsWith("START "));
      QCOMPARE(list->item(2)->text(), QStringLiteral(""));  // code before: data starts apart
      QVERIFY(list->item(3)->text().startsWith("00019 0013  DEFB "));
    });
    f.window->RunCommand(kCmdDisassembleToWindow);
    QCOMPARE(f.asker.range_titles, std::vector<std::string>{"Disassembly"});
  }

  void HelpAndAboutWindowsShowTheirLines() {
    Fixture f;
    OnNextModal([](QWidget* modal) {
      QCOMPARE(modal->windowTitle(), QStringLiteral("Help"));
      QCOMPARE(modal->size(), QSize(340, 375));
      auto* list = modal->findChild<QListWidget*>();
      QCOMPARE(list->geometry(), QRect(0, 0, 340, 340));
      QCOMPARE(list->count(), static_cast<int>(HelpLines().size()));
      auto* ok = modal->findChild<QPushButton*>("ok");
      QCOMPARE(ok->geometry(), QRect(125, 345, 70, 25));
    });
    f.window->RunCommand(kCmdHelp);
    TextWindow about(AboutForm(), AboutLines());
    about.show();
    QCOMPARE(about.size(), QSize(210, 170));
    QCOMPARE(about.list()->item(2)->text(), QStringLiteral("       Kelbrin version ") + QLatin1String(kProgramVersion));
    QCOMPARE(about.ok_button()->geometry(), QRect(70, 140, 70, 25));
    QTest::mouseClick(about.ok_button(), Qt::LeftButton);
    QVERIFY(!about.isVisible());
  }

  void PeekShowsMapByteOneAsDataButNotTwo() {
    RomEditor editor;
    InitRomEditor(editor);
    editor.rom_map[0x13] = 1;
    editor.rom_map[0x14] = 2;
    PeekDialog peek(editor.ImageView(), KelbrinPeekOptions(editor.MapView(), true));
    peek.show();
    QCOMPARE(peek.windowTitle(), QStringLiteral("Peek"));
    QVERIFY(peek.map_box() != nullptr);
    QCOMPARE(peek.map_box()->text(), QStringLiteral(" - Byte Is Data"));
    peek.address_field()->setText(QStringLiteral("19"));
    QVERIFY(peek.map_box()->isChecked());
    peek.address_field()->setText(QStringLiteral("20"));
    QVERIFY2(!peek.map_box()->isChecked(), "map byte 02h is data only for the listing");
    QTest::mouseClick(peek.minus_button(), Qt::LeftButton);
    QVERIFY(peek.map_box()->isChecked());

    PeekDialog off(editor.ImageView(), KelbrinPeekOptions(editor.MapView(), false));
    QVERIFY(off.map_box() == nullptr);
    QCOMPARE(off.map_disabled_label()->text(), QStringLiteral("[ ROM Map disabled ]"));
  }

  void PokeMarksTheMapByItsBox() {
    RomEditor editor;
    InitRomEditor(editor);
    PokeDialog poke(editor.ImageView(), KelbrinPokeOptions(editor.MapView(), true));
    poke.show();
    QCOMPARE(poke.map_box()->text(), QStringLiteral(" - Map Byte as Data"));
    // Typed address and byte, "Poke" without "Peek": the byte becomes code.
    poke.address_field()->setText(QStringLiteral("15616"));  // 3D00h, data in the default map
    poke.byte_field()->setText(QStringLiteral("255"));
    QTest::mouseClick(poke.poke_button(), Qt::LeftButton);
    QCOMPARE(editor.rom_image[0x3D00], std::uint8_t{255});
    QCOMPARE(editor.rom_map[0x3D00], std::uint8_t{0});
    QTest::mouseClick(poke.map_box(), Qt::LeftButton);
    QTest::mouseClick(poke.poke_button(), Qt::LeftButton);
    QCOMPARE(editor.rom_map[0x3D00], std::uint8_t{1});

    poke.address_field()->setText(QStringLiteral("0"));
    QTest::mouseClick(poke.peek_button(), Qt::LeftButton);
    QVERIFY2(!poke.map_box()->isChecked(), "Peek takes the flag from the map");
    QCOMPARE(poke.byte_field()->text(), QString::number(BuiltInRom()[0]));

    RomMap before = editor.rom_map;
    PokeDialog off(editor.ImageView(), KelbrinPokeOptions(editor.MapView(), false));
    off.show();
    off.address_field()->setText(QStringLiteral("19"));
    QTest::mouseClick(off.poke_button(), Qt::LeftButton);
    QCOMPARE(editor.rom_image[19], std::uint8_t{0});
    QVERIFY2(editor.rom_map == before, "with mapping off Poke leaves the map");
  }
};

QTEST_MAIN(KelbrinWindowTest)
#include "kelbrin_window_qt_test.moc"
