// The main window as the template renderer builds it: caption, controls by id with their texts and
// rectangles in dialog units, the menu, the accelerators and the command states after start-up.
#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QtTest>

#include "app/command_states.h"
#include "app/commands.h"
#include "platform/qt/qt_main_window.h"
#include "platform/qt/qt_shell_platform.h"
#include "resources/dialog_template.h"
#include "settings/settings_record.h"

namespace {

struct Expected {
    int id;
    const char* text;
    int x, y, w, h;
};

const Expected kButtons[] = {
    {312, "Concept", 20, 20, 141, 14}, {313, "Play", 70, 43, 90, 14},      {314, "Stop", 70, 61, 90, 14},
    {315, "Tone", 70, 84, 90, 14},     {316, "Note", 70, 102, 90, 14},     {317, "Velocity", 70, 120, 90, 14},
    {318, "Save", 70, 143, 90, 14},    {319, "Restore", 70, 161, 90, 14},  {2, "Exit", 20, 184, 141, 14},
};

}  // namespace

class MainWindowTests : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QtMainWindow> window;
    std::vector<int> delivered;

    QPushButton* button(int id) { return qobject_cast<QPushButton*>(window->controls().widget(id)); }

private slots:
    void init()
    {
        window = std::make_unique<QtMainWindow>(*findDialogTemplate(100), mainMenu(), acceleratorTable());
        delivered.clear();
        window->onCommand = [this](int id) { delivered.push_back(id); };
        window->show();
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
    }
    void cleanup() { window.reset(); }

    void captionSizeAndFrame()
    {
        QCOMPARE(window->windowTitle(), QStringLiteral("pulseLattice"));
        const DialogUnits& du = window->controls().units();
        QCOMPARE(window->surface()->size(), QSize(du.toPixelsX(180), du.toPixelsY(240)));
        QCOMPARE(window->minimumSize(), window->maximumSize());
        const Qt::WindowFlags flags = window->windowFlags();
        QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
        QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
        QVERIFY(flags & Qt::WindowCloseButtonHint);
        QCOMPARE(window->surface()->palette().color(QPalette::Window), QColor(192, 192, 192));
        // Arial 9 pt, or its metric twin where Arial is missing.
        const QString family = window->controls().font().family();
        QVERIFY2(family == "Arial" || family == "Liberation Sans", qPrintable(family));
        QCOMPARE(window->controls().font().pointSize(), 9);
        QVERIFY(du.baseX >= 5 && du.baseX <= 8);
        QVERIFY(du.baseY >= 12 && du.baseY <= 18);
    }

    void everyControlByIdWithTextAndRectangle()
    {
        const DialogUnits& du = window->controls().units();
        for (const Expected& e : kButtons) {
            QPushButton* b = button(e.id);
            QVERIFY2(b, qPrintable(QString::number(e.id)));
            QCOMPARE(b->text(), QString::fromLatin1(e.text));
            QCOMPARE(b->geometry(), du.toPixels(e.x, e.y, e.w, e.h));
            QVERIFY(b->isVisible());
            QCOMPARE(b->focusPolicy(), Qt::StrongFocus);
        }
        // The two group boxes have no id; they are found among all controls in template order.
        std::vector<QGroupBox*> groups;
        for (QWidget* w : window->controls().allControls())
            if (auto* g = qobject_cast<QGroupBox*>(w))
                groups.push_back(g);
        QCOMPARE(groups.size(), size_t(2));
        QCOMPARE(groups[0]->title(), QStringLiteral("sound"));
        QCOMPARE(groups[0]->geometry(), du.toPixels(20, 43, 140, 32));
        QCOMPARE(groups[1]->title(), QStringLiteral("midi"));
        QCOMPARE(groups[1]->geometry(), du.toPixels(20, 84, 140, 91));
        QCOMPARE(window->controls().allControls().size(), size_t(11));
    }

    void buttonsDeliverTheirIds()
    {
        for (const Expected& e : kButtons)
            QTest::mouseClick(button(e.id), Qt::LeftButton);
        std::vector<int> ids;
        for (const Expected& e : kButtons)
            ids.push_back(e.id);
        QCOMPARE(delivered, ids);
    }

    void menuTextsAndCommands()
    {
        const QList<QAction*> menus = window->menuBar()->actions();
        QCOMPARE(menus.size(), 4);
        QCOMPARE(menus[0]->text(), QStringLiteral("File(&F)"));
        QCOMPARE(menus[1]->text(), QStringLiteral("Sound(&S)"));
        QCOMPARE(menus[2]->text(), QStringLiteral("MIDI Setup(&M)"));
        QCOMPARE(menus[3]->text(), QStringLiteral("Help(&H)"));
        QStringList items;
        for (QAction* menu : menus)
            for (QAction* item : menu->menu()->actions())
                items << (item->isSeparator() ? QStringLiteral("-") : item->text());
        QCOMPARE(items, (QStringList{"Export...\tCtrl + E", "-", "Exit\tCtrl + X", "Concept\tCtrl + C", "Play\tCtrl + P",
                                     "Stop\tCtrl + O", "Rewind\tCtrl + W", "Lattice\tCtrl + L", "Output offset...", "-",
                                     "Link\tCtrl + K", "Send MIDI clock\tCtrl + Shift + K",
                                     "Follow MIDI clock\tCtrl + Shift + F", "-", "Controls...", "Tone\tCtrl + T", "Note\tCtrl + N",
                                     "Velocity\tCtrl + V", "-",
                                     "Save\tCtrl + S", "Restore\tCtrl + R", "About\tCtrl + A"}));
        for (int id : {301, 312, 313, 314, 326, 320, 315, 316, 317, 318, 319, 304}) {
            QVERIFY(window->menuAction(id));
            QVERIFY(window->menuAction(id)->isEnabled());
            window->menuAction(id)->trigger();
        }
        QCOMPARE(delivered, (std::vector<int>{301, 312, 313, 314, 326, 320, 315, 316, 317, 318, 319, 304}));
        QVERIFY(!window->menuAction(311));
    }

    void acceleratorsInTableOrder()
    {
        QStringList keys;
        for (QShortcut* s : window->shortcuts())
            keys << s->key().toString();
        QCOMPARE(keys, (QStringList{"Ctrl+A", "Ctrl+X", "Ctrl+C", "Ctrl+P", "Ctrl+O", "Ctrl+Shift+D", "Ctrl+T",
                                    "Ctrl+N", "Ctrl+V", "Ctrl+S", "Ctrl+R", "Ctrl+L", "Ctrl+E", "Ctrl+K",
                                    "Ctrl+Shift+K", "Ctrl+W", "Ctrl+Shift+F"}));
    }

    void linkAndClockAreCheckableAndReachableInEveryState()
    {
        QtShellPlatform shell;
        shell.setMainWindow(window.get());
        for (int id : {321, 322, 329}) {
            QVERIFY(window->menuAction(id)->isCheckable());
            QVERIFY(!window->menuAction(id)->isChecked());
        }
        for (int32_t state : {Idle, Ready, Playing}) {
            updateCommandStates(shell, state);
            delivered.clear();
            QTest::keyClick(window.get(), Qt::Key_K, Qt::ControlModifier);
            QTest::keyClick(window.get(), Qt::Key_K, Qt::ControlModifier | Qt::ShiftModifier);
            QTest::keyClick(window.get(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
            QCOMPARE(delivered, (std::vector<int>{321, 322, 329}));
            QVERIFY(window->menuAction(321)->isEnabled() && window->menuAction(322)->isEnabled() &&
                    window->menuAction(329)->isEnabled());
        }
        shell.checkMenuItem(321, true);
        QVERIFY(window->menuAction(321)->isChecked());
        QVERIFY(!window->menuAction(322)->isChecked());
        shell.checkMenuItem(321, false);
        QVERIFY(!window->menuAction(321)->isChecked());
    }

    void commandStatesAfterStartUpAndAcceleratorGuards()
    {
        QtShellPlatform shell;
        shell.setMainWindow(window.get());
        updateCommandStates(shell, Idle);
        for (int id : {312, 315, 316, 317, 318, 319, 2}) {
            QVERIFY2(button(id)->isEnabled(), qPrintable(QString::number(id)));
            if (id != 2)
                QVERIFY(window->menuAction(id)->isEnabled());
        }
        for (int id : {313, 314}) {
            QVERIFY(!button(id)->isEnabled());
            QVERIFY(!window->menuAction(id)->isEnabled());
        }
        QVERIFY(window->menuAction(301)->isEnabled());
        QVERIFY(window->menuAction(304)->isEnabled());

        // Ctrl+P does nothing while Play is greyed; Ctrl+C and Ctrl+A act.
        QTest::keyClick(window.get(), Qt::Key_P, Qt::ControlModifier);
        QTest::keyClick(window.get(), Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(window.get(), Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(delivered, (std::vector<int>{312, 304}));

        // While playing everything but Stop, Exit and About is off, yet Ctrl+Shift+D still arrives
        // (its handler refuses it).
        updateCommandStates(shell, Playing);
        delivered.clear();
        QTest::keyClick(window.get(), Qt::Key_C, Qt::ControlModifier);
        QTest::keyClick(window.get(), Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
        QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
        QTest::keyClick(window.get(), Qt::Key_D, Qt::ControlModifier);  // not in the table
        QTest::keyClick(window.get(), Qt::Key_L, Qt::ControlModifier);  // the lattice view, in every state
        QCOMPARE(delivered, (std::vector<int>{311, 314, 320}));
        QVERIFY(button(314)->isEnabled());
        QVERIFY(!button(312)->isEnabled());
    }

    void shellPlatformCaptionRectangleAndClose()
    {
        QtShellPlatform shell;
        shell.setMainWindow(window.get());
        shell.setCaption("pulseLattice --    1.50000000000000000000");
        QCOMPARE(window->windowTitle(), QStringLiteral("pulseLattice --    1.50000000000000000000"));
        shell.moveWindow(40, 30, 1, 1);
        const WindowRect rect = shell.windowRect();
        QCOMPARE(rect.left, 40);
        QCOMPARE(rect.top, 30);
        QCOMPARE(rect.right - rect.left, window->frameGeometry().width());
        QVERIFY(shell.screenWidth() > 0 && shell.screenHeight() > 0);

        int closes = 0;
        window->onClose = [&] { ++closes; };
        shell.postClose();
        QCOMPARE(closes, 0);  // queued: the command that asked returns first
        QTRY_COMPARE(closes, 1);
        QVERIFY(window->isVisible());  // the closing sequence destroys it, not the close box
    }
};

QTEST_MAIN(MainWindowTests)
#include "main_window_tests.moc"
