// SIGTERM reaching the real shell: the closing sequence runs on the UI thread as Exit's does
// (without the confirmation), and an Export under way is cancelled first and leaves no file. Stop
// and Exit reach the window during an Export.
#include <QApplication>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>

#include <csignal>
#include <functional>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "app/commands.h"
#include "app/lifecycle.h"
#include "app/transport/transport_owner.h"
#include "engine/recording_backend.h"
#include "engine/steady_clock.h"
#include "platform/qt/qt_close_signals.h"
#include "platform/qt/qt_main_window.h"
#include "platform/qt/qt_shell_platform.h"
#include "platform/qt/qt_window_host.h"
#include "platform/sound/offline_wav_render.h"
#include "resources/command_ids.h"
#include "settings/defaults.h"
#include "tests/core/no_ports.h"
#include "tests/qt/answering_shell.h"

namespace {

// One run of the program in a scratch directory: the real shell and window host, the real playback
// thread on the steady clock, a recording port.
struct Program {
    explicit Program(const QString& directory) : dir(directory.toStdString())
    {
        player.port.backend = &port;
        host.onClose = [this] { lifecycle.close(); };
        host.onCommand = [this](int id) { dispatchCommand(app, id); };
    }
    std::string dir;
    AnsweringShell shell;
    SteadyClock clock;
    RecordingBackend port{clock};
    PlayerState player;
    Transport transport;
    SettingsRecord working{}, defaults{};
    ParameterFile parameterFile;
    NoPorts ports;
    AppContext app{shell, player, transport, working, defaults, parameterFile, ports, clock, renderWavFile};
    QtWindowHost host{shell, nullptr, dir + "/lock"};
    Lifecycle lifecycle{app, host};

    size_t sent()
    {
        std::lock_guard<std::mutex> guard(player.port.lock);
        return port.messages.size();
    }
};

Program* running = nullptr;  // where the signals go

// Runs the event loop until the closing sequence ends it (at most `seconds`).
void runUntilClosed(int seconds)
{
    QTimer::singleShot(seconds * 1000, [] { QCoreApplication::exit(1); });
    QCoreApplication::exec();
}

// Answers the export length dialog, when it comes, with an hour.
void answerExportLengthWithAnHour()
{
    QTimer::singleShot(0, [] {
        QWidget* dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        dialog->findChild<QLineEdit*>()->setText(QStringLiteral("60:00"));
        for (auto* button : dialog->findChildren<QPushButton*>())
            if (button->text() == QStringLiteral("Okay"))
                button->click();
    });
}

// True once an export's renderer writes its file under a temporary name in `directory`.
bool writingInto(const std::string& directory)
{
    for (const auto& entry : std::filesystem::directory_iterator(directory))
        if (entry.path().string().find(".part") != std::string::npos)
            return true;
    return false;
}

bool progressBoxShown()
{
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<QProgressDialog*>(widget) && widget->isVisible())
            return true;
    return false;
}

// Calls `step` every 10 ms while the event loop runs (an Export's own loop included).
struct Poll {
    explicit Poll(std::function<void()> step)
    {
        QObject::connect(&timer, &QTimer::timeout, std::move(step));
        timer.start(10);
    }
    QTimer timer;
};

SettingsRecord savedRecord(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    SettingsRecord record{};
    if (bytes.size() == 388)
        std::memcpy(&record, bytes.data() + 12, sizeof record);
    return record;
}

}  // namespace

class SignalCloseTests : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QtCloseSignals> signals_;

private slots:
    void initTestCase()
    {
        signals_ = std::make_unique<QtCloseSignals>([](int) {
            if (running && running->lifecycle.isWindowCreated())
                running->lifecycle.close();
        });
    }

    void sigtermWhilePlayingSweepsAndSaves()
    {
        QTemporaryDir dir;
        Program p(dir.path());
        running = &p;
        QCOMPARE(p.lifecycle.start(p.dir + "/pulselattice"), StartupResult::Running);
        transportConceptAccepted(p.app);
        QCOMPARE(dispatchCommand(p.app, Command::Play), 1);
        QTRY_VERIFY(p.sent() > 40);  // the thread plays
        p.shell.mainWindow()->move(123, 77);
        const WindowRect moved = p.shell.windowRect();
        QTimer::singleShot(0, [] { std::raise(SIGTERM); });
        runUntilClosed(20);
        running = nullptr;

        QVERIFY(p.lifecycle.isClosed());
        QCOMPARE(p.working.playState, Ready);
        QVERIFY(!p.transport.control.thread.joinable());
        QVERIFY(!p.port.isOpen);
        // The Stop sweep is the last thing the port got: a note-off on channels 0 to 15 in order.
        QVERIFY(p.port.messages.size() >= 16);
        for (size_t c = 0; c < 16; ++c) {
            const TimedMessage& m = p.port.messages[p.port.messages.size() - 16 + c];
            QCOMPARE(int(m.status()), int(0x80 + c));
            QCOMPARE(int(m.data2()), 64);
        }
        const SettingsRecord saved = savedRecord(p.dir + "/pulseLattice.par");
        QCOMPARE(saved.windowRect[0], moved.left);
        QCOMPARE(saved.windowRect[1], moved.top);
    }

    void sigtermDuringAnExportCancelsItFirst()
    {
        QTemporaryDir dir;
        Program p(dir.path());
        running = &p;
        QCOMPARE(p.lifecycle.start(p.dir + "/pulselattice"), StartupResult::Running);
        fillBuiltInDefaults(p.working);
        transportConceptAccepted(p.app);
        const std::string target = p.dir + "/out/hour.wav";
        std::filesystem::create_directory(p.dir + "/out");
        p.shell.answer = FileChoice{target, 1};
        answerExportLengthWithAnHour();
        // Once the renderer writes (however long the run and the soundfont take), the signal comes.
        bool rendering = false;
        Poll poll([&] {
            if (!rendering && writingInto(p.dir + "/out")) {
                rendering = true;
                std::raise(SIGTERM);
            }
        });
        dispatchCommand(p.app, Command::Export);  // returns once the worker has ended
        QVERIFY(!p.lifecycle.isClosed());          // the close waits for the worker...
        runUntilClosed(20);                        // ...and comes right after it
        running = nullptr;

        QVERIFY(rendering);
        QVERIFY(p.lifecycle.isClosed());
        QVERIFY(std::filesystem::is_empty(p.dir + "/out"));
        QCOMPARE(savedRecord(p.dir + "/pulseLattice.par").tempo, p.defaults.tempo);
    }

    // Stop (Ctrl+O) and Exit (Ctrl+X, confirmed) reach the window while an Export runs, through
    // the window system's key path, which a modal box blocks; Exit cancels the Export first.
    void stopAndExitReachTheWindowDuringAnExport()
    {
        QTemporaryDir dir;
        Program p(dir.path());
        QCOMPARE(p.lifecycle.start(p.dir + "/pulselattice"), StartupResult::Running);
        fillBuiltInDefaults(p.working);
        transportConceptAccepted(p.app);
        QCOMPARE(dispatchCommand(p.app, Command::Play), 1);
        std::filesystem::create_directory(p.dir + "/out");
        p.shell.answer = FileChoice{p.dir + "/out/hour.wav", 1};
        answerExportLengthWithAnHour();
        QWindow* window = p.shell.mainWindow()->windowHandle();
        bool stoppedWhileExporting = false, exitAsked = false;
        // A timer of its own: the other one's handler is still running while the box is up.
        Poll confirm([&] {
            if (QWidget* box = exitAsked ? QApplication::activeModalWidget() : nullptr)
                for (auto* button : box->findChildren<QPushButton*>())
                    if (button->text() == QStringLiteral("okay"))
                        button->click();
        });
        Poll poll([&] {
            if (exitAsked)
                return;
            if (!p.app.exporting || !writingInto(p.dir + "/out") || !progressBoxShown())
                return;
            QApplication::setActiveWindow(p.shell.mainWindow());  // as a click on it does
            if (p.working.playState == Playing) {
                QTest::keyClick(window, Qt::Key_O, Qt::ControlModifier);
                return;
            }
            stoppedWhileExporting = true;
            // Play, a dialog and a second Export wait for the Export to end.
            QCOMPARE(dispatchCommand(p.app, Command::Play), 0);
            QCOMPARE(dispatchCommand(p.app, Command::Concept), 0);  // returns at once, no dialog
            QCOMPARE(dispatchCommand(p.app, Command::Export), 0);
            exitAsked = true;
            QTest::keyClick(window, Qt::Key_X, Qt::ControlModifier);
        });
        dispatchCommand(p.app, Command::Export);  // returns once the cancelled worker has ended
        runUntilClosed(20);

        QVERIFY(stoppedWhileExporting);
        QVERIFY(exitAsked);
        QVERIFY(p.lifecycle.isClosed());
        QVERIFY(std::filesystem::is_empty(p.dir + "/out"));  // cancelled: nothing written
    }
};

QTEST_MAIN(SignalCloseTests)
#include "signal_close_tests.moc"
