// Export from the program: the file equals the render tool's for the same settings and length, in
// every format; Cancel in the progress box stops the worker at once and leaves no file.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QtTest>

#include <cstdio>
#include <functional>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "app/app_context.h"
#include "app/commands.h"
#include "engine/steady_clock.h"
#include "platform/sound/offline_wav_render.h"
#include "platform/qt/qt_shell_platform.h"
#include "resources/command_ids.h"
#include "settings/defaults.h"
#include "tests/core/no_ports.h"
#include "tests/qt/answering_shell.h"

namespace {

std::string readAll(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Types `length` into the export dialog once it is up and presses Okay.
void answerLengthDialog(const QString& length)
{
    QTimer::singleShot(0, [length] {
        QWidget* dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        auto* edit = dialog->findChild<QLineEdit*>();
        QCOMPARE(edit->text(), QStringLiteral("1:00"));
        edit->setText(length);
        for (auto* button : dialog->findChildren<QPushButton*>())
            if (button->text() == QStringLiteral("Okay"))
                button->click();
    });
}

// Presses the progress box's Cancel once `ready` says so (asked every 10 ms), and calls `seen`
// with the box just before; however long the run or the soundfont take, the test waits for them.
struct CancelWhen {
    CancelWhen(std::function<bool()> ready, std::function<void(QProgressDialog&)> seen = {})
    {
        QObject::connect(&timer, &QTimer::timeout, [this, ready = std::move(ready), seen = std::move(seen)] {
            for (QWidget* widget : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QProgressDialog*>(widget); box && box->isVisible() && !pressed && ready()) {
                    pressed = true;
                    if (seen)
                        seen(*box);
                    box->findChild<QPushButton*>()->click();
                }
        });
        timer.start(10);
    }
    QTimer timer;
    bool pressed = false;
};

bool holdsAPartFile(const QString& directory)
{
    for (const QString& name : QDir(directory).entryList(QDir::Files | QDir::Hidden))
        if (name.endsWith(QStringLiteral(".part")))
            return true;
    return false;
}

}  // namespace

class ExportTests : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    AnsweringShell shell;
    PlayerState player;
    Transport transport;
    SettingsRecord working{}, defaults{};
    ParameterFile parameterFile;
    NoPorts ports;
    SteadyClock clock;
    AppContext app{shell, player, transport, working, defaults, parameterFile, ports, clock, renderWavFile};

    std::string file(const char* name) const { return (dir.path() + "/" + name).toStdString(); }

private slots:
    void initTestCase()
    {
        fillBuiltInDefaults(working);
        working.numeralPreset = 11;  // PI
        working.layerIndex = 3;
        working.tempo = 120;
        working.modulationEnabled = 1;
        working.modulationLayer = 1;
        working.noteOffset = 38;  // the sweep's note 90 + 38 is left out of .mid and .wav alike
        transportConceptAccepted(app);
        // The tool reads the same record from a parameter file.
        std::ofstream par(file("same.par"), std::ios::binary);
        par.write("\0\0\0\0\0\0\0\0\0\0\0\0", 12);
        par.write(reinterpret_cast<const char*>(&working), sizeof working);
    }

    void exportEqualsTheRenderTool_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("toolLength");
        QTest::newRow("mid") << "a" << 0 << "0:20" << "--stop-at 20000";
        QTest::newRow("wav") << "b.wav" << 0 << "0:03" << "--stop-at 3000";
        QTest::newRow("txt") << "c" << 2 << "5" << "--passes 5";
    }

    void exportEqualsTheRenderTool()
    {
        QFETCH(QString, name);
        QFETCH(int, filter);
        QFETCH(QString, length);
        QFETCH(QString, toolLength);
        const std::string path = file(name.toUtf8().constData());
        const std::string written = path.find('.') != std::string::npos ? path : path + (filter ? ".txt" : ".mid");
        shell.answer = FileChoice{path, filter};
        answerLengthDialog(length);
        dispatchCommand(app, Command::Export);
        QVERIFY2(std::filesystem::exists(written), written.c_str());

        const std::string expected = written + ".tool" + written.substr(written.size() - 4);
        const std::string command = std::string(qgetenv("PULSELATTICE_RENDER").constData()) + " --settings " +
                                    file("same.par") + " " + toolLength.toStdString() + " -o " + expected;
        QCOMPARE(std::system(command.c_str()), 0);
        const std::string ours = readAll(written), theirs = readAll(expected);
        QVERIFY(ours.size() > 100);
        QVERIFY2(ours == theirs, (std::to_string(ours.size()) + " vs " + std::to_string(theirs.size())).c_str());
    }

    void cancelLeavesNoFile()
    {
        QTemporaryDir empty;
        shell.answer = FileChoice{(empty.path() + "/long.txt").toStdString(), 2};
        answerLengthDialog(QStringLiteral("10080:00"));  // a week: seconds of rendering
        CancelWhen cancel([] { return true; });
        dispatchCommand(app, Command::Export);
        QVERIFY(cancel.pressed);
        QCOMPARE(QDir(empty.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 0);
    }

    // An hour of audio takes the synthesiser about 20 s. Cancel once the renderer writes: the box
    // showed how far it was, the worker has stopped when Export returns (well before the render
    // could have ended), no temporary file is left, and the file it would have replaced is untouched.
    void cancelStopsAWavRenderAtOnce()
    {
        QTemporaryDir target;
        const std::string path = (target.path() + "/long.wav").toStdString();
        { std::ofstream(path) << "the old file"; }
        shell.answer = FileChoice{path, 1};
        answerLengthDialog(QStringLiteral("60:00"));
        int shownPercent = -1, shownMaximum = -1;
        QElapsedTimer sinceCancel;
        CancelWhen cancel([&] { return holdsAPartFile(target.path()); }, [&](QProgressDialog& box) {
            shownPercent = box.value();
            shownMaximum = box.maximum();
            sinceCancel.start();
        });
        dispatchCommand(app, Command::Export);
        const qint64 stoppedAfterMs = sinceCancel.isValid() ? sinceCancel.elapsed() : -1;
        const QStringList left = QDir(target.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);

        qInfo("cancel as an hour of .wav is written: the box showed %d%%; worker stopped and temporary file gone "
              "%lld ms after Cancel", shownPercent, stoppedAfterMs);
        QCOMPARE(shownMaximum, 100);
        QVERIFY2(shownPercent >= 1 && shownPercent < 50, QByteArray::number(shownPercent));
        QVERIFY(stoppedAfterMs >= 0);
        // The order of magnitude only (the figure above is the measure): the render itself takes 20 s.
        QVERIFY2(stoppedAfterMs < 2000, QByteArray::number(stoppedAfterMs));
        QCOMPARE(left, QStringList{QStringLiteral("long.wav")});
        QCOMPARE(readAll(path), std::string("the old file"));
    }
};

QTEST_MAIN(ExportTests)
#include "export_tests.moc"
