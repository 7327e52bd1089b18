// Message boxes: owned and unowned boxes, and the boxes the playback thread raises, which the UI
// thread shows while the playback thread plays on, and which the closing sequence closes.
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <atomic>
#include <thread>

#include "engine/generator.h"
#include "engine/midi_port.h"
#include "engine/refresh.h"
#include "engine/virtual_clock.h"
#include "platform/qt/qt_error_reporter.h"
#include "platform/qt/qt_message_box.h"
#include "platform/qt/qt_shell_platform.h"
#include "settings/defaults.h"

namespace {

// A port that takes every message's intended time and fails every send.
class FailingPort : public PortBackend {
public:
    int open(int32_t) override { return MidiResult::Ok; }
    int send(uint32_t, MessageTime intended) override
    {
        times.push_back(intended);
        return MidiResult::NotReady;
    }
    int close() override { return MidiResult::Ok; }
    std::vector<MessageTime> times;
};

QMessageBox* visibleBox()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
            return box;
    return nullptr;
}

}  // namespace

class ErrorReporterTests : public QObject {
    Q_OBJECT

private slots:
    void unownedBoxLeavesTheMainWindowUsable()
    {
        QWidget mainWindow;
        mainWindow.show();
        bool seen = false;
        QTimer::singleShot(0, [&] {
            QMessageBox* box = visibleBox();
            QVERIFY(box);
            QCOMPARE(box->windowTitle(), QStringLiteral("error"));
            QCOMPARE(box->text(), QStringLiteral("the specified device handle is invalid"));
            QCOMPARE(box->buttons().size(), 1);
            QCOMPARE(box->standardButton(box->buttons()[0]), QMessageBox::Ok);
            QCOMPARE(box->windowModality(), Qt::NonModal);
            QVERIFY(!QApplication::activeModalWidget());
            QVERIFY(mainWindow.isEnabled());
            seen = true;
            box->buttons()[0]->click();
        });
        showMessageBox("the specified device handle is invalid", "error", nullptr);
        QVERIFY(seen);
        QVERIFY(!visibleBox());
    }

    void ownedAlertIsModalToTheMainWindow()
    {
        QWidget mainWindow;
        mainWindow.show();
        QtShellPlatform shell;
        bool seen = false;
        QTimer::singleShot(0, [&] {
            QMessageBox* box = visibleBox();
            QVERIFY(box);
            QCOMPARE(box->windowTitle(), QStringLiteral("alert"));
            QCOMPARE(box->parentWidget(), nullptr);  // no main window registered with this shell
            seen = true;
            box->accept();
        });
        shell.showMessage("failed to open .par file", "alert", true);
        QVERIFY(seen);

        QMessageBox* owned = makeMessageBox("failed to open .par file", "alert", &mainWindow);
        QCOMPARE(owned->parentWidget(), &mainWindow);
        QCOMPARE(owned->windowModality(), Qt::WindowModal);
        delete owned;
    }

    // A port fails while playing: its box opens on the UI thread and stays open, and meanwhile the
    // playback thread plays on to its deadlines (five passes of 240 ms events on a virtual clock).
    void aFailingPortKeepsItsDeadlinesWhileItsBoxIsOpen()
    {
        QtErrorReporter reporter;
        QWidget mainWindow;
        mainWindow.show();
        VirtualClock clock;
        FailingPort port;
        PlayerState player;
        player.port.backend = &port;
        player.port.reporter = &reporter;
        SettingsRecord settings{};
        fillBuiltInDefaults(settings);
        settings.numeral = 1.0;  // every event beta: one note-on per pass
        refreshAcceptedConcept(player, settings);
        put(player.deviceId, 0);
        QCOMPARE(openPort(player), 0);
        put(player.playing, 1);
        std::atomic<bool> played{false};
        std::thread playback([&] {
            LayerCounters counters{};
            Pacer pacer(clock);
            for (int pass = 0; pass < 5; ++pass)
                playLayerCycle(player, counters, pacer, 0);
            played = true;
        });
        const auto joinAtEnd = qScopeGuard([&] {
            reporter.closeForeignBoxes();
            playback.join();
        });
        QTRY_VERIFY(visibleBox());
        QTRY_VERIFY_WITH_TIMEOUT(played.load(), 2000);
        QCOMPARE(reporter.openForeignBoxes(), 1);
        QMessageBox* box = visibleBox();
        QCOMPARE(box->text(), QStringLiteral("the hardware is busy with other data"));
        QCOMPARE(box->windowTitle(), QStringLiteral("error"));
        QCOMPARE(box->windowModality(), Qt::NonModal);
        QVERIFY(mainWindow.isEnabled());  // the UI thread goes on as well
        QCOMPARE(port.times.size(), size_t{15});
        for (size_t i = 0; i < port.times.size(); ++i)
            QCOMPARE(port.times[i], std::chrono::milliseconds(240 * ((i + 2) / 3)));
        box->buttons()[0]->click();
        QTRY_COMPARE(reporter.openForeignBoxes(), 0);
    }

    void closingClosesTheBoxesAndDropsLaterOnes()
    {
        QtErrorReporter reporter;
        std::thread([&] { reporter.showError("first"); }).join();
        QTRY_VERIFY(visibleBox());
        reporter.closeForeignBoxes();
        std::thread([&] { reporter.showError("second, raised while closing"); }).join();
        QTest::qWait(50);
        QVERIFY(!visibleBox());
        QCOMPARE(reporter.openForeignBoxes(), 0);
    }

    void boxOnTheUiThreadIsShownThereAndStillWorksWhileClosing()
    {
        QtErrorReporter reporter;
        reporter.closeForeignBoxes();
        bool seen = false;
        QTimer::singleShot(0, [&] {
            QMessageBox* box = visibleBox();
            QVERIFY(box);
            QCOMPARE(box->text(), QStringLiteral("closing the port failed"));
            seen = true;
            box->buttons()[0]->click();
        });
        reporter.showError("closing the port failed");
        QVERIFY(seen);
    }

    void saveDialogAddsTheSuffixAndOpenDialogNeedsAnExistingFile()
    {
        QTemporaryDir dir;
        QtShellPlatform shell;
        FileDialogRequest save;
        save.title = "save file as ...";
        save.filters = {{"MIDI setting file", "*.gms"}, {"all files", "*.*"}};
        save.defaultSuffix = "gms";
        save.saving = true;
        save.overwritePrompt = true;
        QStringList filters;
        QString suffix;
        bool confirmsOverwrite = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("save file as ..."));
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptSave);
            filters = dialog->nameFilters();
            suffix = dialog->defaultSuffix();
            confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
            dialog->setDirectory(dir.path());
            dialog->selectFile("voices");
            static_cast<QDialog*>(dialog)->accept();
        });
        const std::optional<std::string> saved = shell.askFileName(save);
        QCOMPARE(filters, (QStringList{"MIDI setting file (*.gms)", "all files (*.*)"}));
        QCOMPARE(suffix, QStringLiteral("gms"));
        QVERIFY(confirmsOverwrite);
        QVERIFY(saved);
        QCOMPARE(QString::fromStdString(*saved), dir.filePath("voices.gms"));

        FileDialogRequest open;
        open.title = "open file selected";
        open.filters = {{"MIDI setting file", "*.gms"}};
        open.defaultSuffix = "gms";
        open.fileMustExist = true;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("open file selected"));
            QCOMPARE(dialog->acceptMode(), QFileDialog::AcceptOpen);
            QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFile);
            dialog->reject();
        });
        QVERIFY(!shell.askFileName(open));
    }

    void errorInsideAModalDialogIsShownAboveIt()
    {
        QDialog dialog;
        bool seen = false;
        QTimer::singleShot(0, [&] {
            QTimer::singleShot(0, [&] {
                QMessageBox* box = visibleBox();
                QVERIFY(box);
                QCOMPARE(box->windowModality(), Qt::ApplicationModal);
                seen = true;
                box->buttons()[0]->click();
                dialog.accept();
            });
            showMessageBox("plz enter offset among -30 ~ 30", "error", nullptr);
        });
        dialog.exec();
        QVERIFY(seen);
    }

    void fileDialogFilters()
    {
        QCOMPARE(fileDialogFilter("MIDI setting file", "*.gms"), QStringLiteral("MIDI setting file (*.gms)"));
        QCOMPARE(fileDialogFilter("any", "*.gms;*.*"), QStringLiteral("any (*.gms *.*)"));
        // A label that already names its pattern is not given it twice.
        QCOMPARE(fileDialogFilter("MIDI setting file (*.gms)", "*.gms"), QStringLiteral("MIDI setting file (*.gms)"));
    }
};

QTEST_MAIN(ErrorReporterTests)
#include "error_reporter_tests.moc"
