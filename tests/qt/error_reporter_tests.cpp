// Message boxes: owned and unowned boxes, and the boxes the playback thread raises, which the UI
// thread shows while only the playback thread waits, and which the closing sequence dismisses.
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QtTest>

#include <atomic>
#include <thread>

#include "platform/qt/qt_error_reporter.h"
#include "platform/qt/qt_message_box.h"
#include "platform/qt/qt_shell_platform.h"

namespace {

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

    void playbackThreadWaitsUntilTheBoxIsClosed()
    {
        QtErrorReporter reporter;
        QWidget mainWindow;
        mainWindow.show();
        std::atomic<bool> returned{false};
        std::thread playback([&] {
            reporter.showError("the device is not ready");
            returned = true;
        });
        QTRY_VERIFY(visibleBox());
        QMessageBox* box = visibleBox();
        QCOMPARE(box->text(), QStringLiteral("the device is not ready"));
        QCOMPARE(box->windowTitle(), QStringLiteral("error"));
        QCOMPARE(box->windowModality(), Qt::NonModal);
        QVERIFY(mainWindow.isEnabled());  // the UI thread goes on
        QTest::qWait(50);
        QVERIFY(!returned);
        QCOMPARE(reporter.openForeignBoxes(), 1);
        box->buttons()[0]->click();
        QTRY_VERIFY(returned.load());
        playback.join();
        QCOMPARE(reporter.openForeignBoxes(), 0);
    }

    void closingDismissesTheBoxAndLaterOnesReturnAtOnce()
    {
        QtErrorReporter reporter;
        std::atomic<int> returned{0};
        std::thread playback([&] {
            reporter.showError("first");
            ++returned;
            reporter.showError("second, raised while closing");
            ++returned;
        });
        QTRY_VERIFY(visibleBox());
        reporter.releaseWaitingThreads();
        playback.join();  // would hang if the box still held the thread
        QCOMPARE(returned.load(), 2);
        QTRY_VERIFY(!visibleBox());
    }

    void boxOnTheUiThreadIsShownThereAndStillWorksAfterRelease()
    {
        QtErrorReporter reporter;
        reporter.releaseWaitingThreads();
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
