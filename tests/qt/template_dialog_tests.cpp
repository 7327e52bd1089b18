// Dialogs built from their templates: the about box and the confirmation with their texts and
// results, and every settings dialog's spins, Enter and Escape.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include "app/about_dialog.h"
#include "app/confirm_exit_dialog.h"
#include "platform/qt/qt_template_dialog.h"
#include "resources/dialog_template.h"
#include "resources/main_templates.h"

namespace {

// Records what the dialog reports; ends the dialog only when told to.
class RecordingLogic : public DialogLogic {
public:
    void init(Controls&) override { ++inits; }
    void command(Controls& controls, int id) override
    {
        commands.push_back(id);
        if (endOnOkCancel && (id == 1 || id == 2))
            controls.endDialog(id);
    }
    void notify(Controls&, int fromId, bool isStep, int delta) override
    {
        if (isStep)
            steps.push_back({fromId, delta});
    }
    int inits = 0;
    bool endOnOkCancel = false;
    std::vector<int> commands;
    std::vector<std::pair<int, int>> steps;
};

// Runs `dialog` modally and, once it is up, performs `action` on it; returns the result.
int runWith(QtTemplateDialog& dialog, std::function<void(QtTemplateDialog&)> action)
{
    QTimer::singleShot(0, &dialog, [&dialog, action] {
        dialog.activateWindow();
        action(dialog);
    });
    return dialog.run();
}

}  // namespace

class TemplateDialogTests : public QObject {
    Q_OBJECT

private slots:
    void aboutBoxShowsItsLineAndEndsWithOneOrTwo()
    {
        const DialogTemplate& tpl = *findDialogTemplate(106);
        {
            AboutDialog logic;
            QtTemplateDialog dialog(tpl, logic, nullptr);
            QString line;
            QWidget* focused = nullptr;
            const int result = runWith(dialog, [&](QtTemplateDialog& d) {
                line = qobject_cast<QLineEdit*>(d.controls().widget(kAboutLineId))->text();
                focused = d.focusWidget();
                QTest::keyClick(d.focusWidget(), Qt::Key_Return);
            });
            QCOMPARE(result, 1);
            QVERIFY(line.startsWith("pulseLattice ver.2.00.00"));
            QCOMPARE(line, QString::fromLatin1(kAboutLine));
            QCOMPARE(focused, dialog.controls().widget(kAboutLineId));  // the first tab stop
            QCOMPARE(dialog.windowTitle(), QStringLiteral("about"));
            auto* edit = qobject_cast<QLineEdit*>(dialog.controls().widget(kAboutLineId));
            QVERIFY(edit->isReadOnly());
            QVERIFY(!edit->hasFrame());
            QCOMPARE(edit->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
            // The whole line is visible without scrolling.
            QVERIFY(edit->fontMetrics().horizontalAdvance(edit->text()) < edit->width() - 4);
            auto* cont = qobject_cast<QPushButton*>(dialog.controls().widget(1));
            QCOMPARE(cont->text(), QStringLiteral("continue"));
            QCOMPARE(cont->geometry(), dialog.controls().units().toPixels(95, 25, 50, 14));
            QVERIFY(cont->isDefault());
        }
        {
            AboutDialog logic;
            QtTemplateDialog dialog(tpl, logic, nullptr);
            QCOMPARE(runWith(dialog, [](QtTemplateDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }), 2);
        }
        {
            AboutDialog logic;
            QtTemplateDialog dialog(tpl, logic, nullptr);
            QCOMPARE(runWith(dialog, [](QtTemplateDialog& d) { d.close(); }), 2);  // the close box
        }
    }

    void confirmationTextsAndResults()
    {
        const DialogTemplate& tpl = *findDialogTemplate(107);
        {
            ConfirmExitDialog logic;
            QtTemplateDialog dialog(tpl, logic, nullptr);
            QCOMPARE(dialog.windowTitle(), QStringLiteral("confirmation"));
            const DialogUnits& du = dialog.controls().units();
            QCOMPARE(dialog.size(), QSize(du.toPixelsX(240), du.toPixelsY(50)));
            auto* question = qobject_cast<QLabel*>(dialog.controls().allControls()[0]);
            QVERIFY(question);
            QCOMPARE(question->text(), QStringLiteral("are you sure to exit the program?"));
            QCOMPARE(question->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
            QCOMPARE(question->geometry(), du.toPixels(10, 10, 220, 14));
            auto* okay = qobject_cast<QPushButton*>(dialog.controls().widget(1));
            auto* cancel = qobject_cast<QPushButton*>(dialog.controls().widget(2));
            QCOMPARE(okay->text(), QStringLiteral("okay"));
            QCOMPARE(okay->geometry(), du.toPixels(65, 25, 50, 14));
            QCOMPARE(cancel->text(), QStringLiteral("cancel"));
            QCOMPARE(cancel->geometry(), du.toPixels(125, 25, 50, 14));
            QWidget* focused = nullptr;
            QCOMPARE(runWith(dialog,
                             [&](QtTemplateDialog& d) {
                                 focused = d.focusWidget();
                                 QTest::keyClick(&d, Qt::Key_Return);
                             }),
                     1);
            QCOMPARE(focused, okay);
        }
        {
            ConfirmExitDialog logic;
            QtTemplateDialog dialog(tpl, logic, nullptr);
            QCOMPARE(runWith(dialog,
                             [](QtTemplateDialog& d) {
                                 QTest::mouseClick(d.controls().widget(2), Qt::LeftButton);
                             }),
                     2);
        }
        {
            // Enter on the focused "cancel" presses cancel, not the default button.
            ConfirmExitDialog logic;
            QtTemplateDialog dialog(tpl, logic, nullptr);
            QCOMPARE(runWith(dialog,
                             [](QtTemplateDialog& d) {
                                 d.controls().widget(2)->setFocus();
                                 QTest::keyClick(d.controls().widget(2), Qt::Key_Return);
                             }),
                     2);
        }
        {
            ConfirmExitDialog logic;
            QtTemplateDialog dialog(tpl, logic, nullptr);
            QCOMPARE(runWith(dialog, [](QtTemplateDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }), 2);
        }
    }

    void settingsDialogs_data()
    {
        QTest::addColumn<int>("templateId");
        QTest::addColumn<int>("minimumSpins");
        QTest::newRow("durations and offsets") << 1000 << 4;
        QTest::newRow("concept") << 2000 << 3;
        QTest::newRow("tones") << 3000 << 0;
        QTest::newRow("notes") << 4000 << 0;
        QTest::newRow("velocities") << 5000 << 0;
    }

    void settingsDialogs()
    {
        QFETCH(int, templateId);
        QFETCH(int, minimumSpins);
        const DialogTemplate* tpl = findDialogTemplate(templateId);
        QVERIFY(tpl);
        RecordingLogic logic;
        QtTemplateDialog dialog(*tpl, logic, nullptr);
        const DialogUnits& du = dialog.controls().units();
        QCOMPARE(dialog.size(), QSize(du.toPixelsX(tpl->width), du.toPixelsY(tpl->height)));
        QCOMPARE(dialog.windowTitle(), QString::fromStdString(tpl->caption));

        // Every control with an id is there, where the template puts it.
        for (const ControlTemplate& c : tpl->controls) {
            if (c.id == -1)
                continue;
            QWidget* w = dialog.controls().widget(c.id);
            QVERIFY2(w, qPrintable(QString::number(c.id)));
            QCOMPARE(w->x(), du.toPixelsX(c.x));
            QCOMPARE(w->y(), du.toPixelsY(c.y));
            QCOMPARE(w->width(), du.toPixelsX(c.width));
            if (c.kind == ControlKind::DropDownList) {
                auto* list = qobject_cast<QComboBox*>(w);
                QVERIFY(list && !list->isEditable());
            } else {
                QCOMPARE(w->height(), du.toPixelsY(c.height));
            }
        }

        // Each arrow click and each Up/Down key in the paired edit is a step request with the
        // spin's id: up +1, down -1. The edit itself is left alone.
        dialog.show();
        dialog.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        int spins = 0;
        for (const ControlTemplate& c : tpl->controls) {
            if (c.kind != ControlKind::Spin)
                continue;
            auto* arrows = dynamic_cast<QtSpinArrows*>(dialog.controls().widget(c.id));
            QVERIFY(arrows);
            logic.steps.clear();
            QTest::mouseClick(arrows->upArrow(), Qt::LeftButton);
            QTest::mouseClick(arrows->downArrow(), Qt::LeftButton);
            QCOMPARE(logic.steps, (std::vector<std::pair<int, int>>{{c.id, +1}, {c.id, -1}}));
            if (auto* edit = qobject_cast<QLineEdit*>(dialog.controls().widget(c.id - 10))) {
                edit->setEnabled(true);
                edit->setFocus();
                const QString before = edit->text();
                logic.steps.clear();
                QTest::keyClick(edit, Qt::Key_Up);
                QTest::keyClick(edit, Qt::Key_Down);
                QTest::keyClick(edit, Qt::Key_Down);
                QCOMPARE(logic.steps, (std::vector<std::pair<int, int>>{{c.id, +1}, {c.id, -1}, {c.id, -1}}));
                QCOMPARE(edit->text(), before);
            }
            QCOMPARE(arrows->focusPolicy(), Qt::NoFocus);
            ++spins;
        }
        QVERIFY(spins >= minimumSpins);
        dialog.hide();

        // Enter is OK (id 1), Escape is Cancel (id 2), the close box too.
        logic.endOnOkCancel = true;
        logic.commands.clear();
        QCOMPARE(runWith(dialog,
                         [](QtTemplateDialog& d) {
                             QWidget* from = d.focusWidget() ? d.focusWidget() : &d;
                             if (qobject_cast<QPushButton*>(from) && from != d.controls().widget(1))
                                 from = &d;
                             QTest::keyClick(from, Qt::Key_Return);
                         }),
                 1);
        QCOMPARE(runWith(dialog, [](QtTemplateDialog& d) { QTest::keyClick(&d, Qt::Key_Escape); }), 2);
        QCOMPARE(runWith(dialog, [](QtTemplateDialog& d) { d.close(); }), 2);
        QCOMPARE(logic.commands, (std::vector<int>{1, 2, 2}));
    }

    void controlsSeamOnListsChecksAndEdits()
    {
        const DialogTemplate* tpl = findDialogTemplate(2000);
        RecordingLogic logic;
        QtTemplateDialog dialog(*tpl, logic, nullptr);
        QtControls& c = dialog.controls();
        int listId = -1, checkId = -1, editId = -1;
        for (const ControlTemplate& t : tpl->controls) {
            if (t.kind == ControlKind::DropDownList && listId < 0)
                listId = t.id;
            if (t.kind == ControlKind::CheckBox && checkId < 0)
                checkId = t.id;
            if (t.kind == ControlKind::Edit && editId < 0)
                editId = t.id;
        }
        QVERIFY(listId > 0 && checkId > 0 && editId > 0);

        // A list starts without selection; adding and selecting from the logic report nothing.
        c.addListItem(listId, "first");
        c.addListItem(listId, "second");
        QCOMPARE(c.selectedListItem(listId), -1);
        c.selectListItem(listId, 1);
        QCOMPARE(c.selectedListItem(listId), 1);
        QCOMPARE(c.text(listId), std::string("second"));
        c.selectListItem(listId, 5);
        QCOMPARE(c.selectedListItem(listId), -1);
        c.setText(editId, "42");
        QCOMPARE(c.text(editId), std::string("42"));
        c.setChecked(checkId, true);
        QVERIFY(c.isChecked(checkId));
        QVERIFY(logic.commands.empty());

        // The user's changes reach the logic with the control's id.
        dialog.show();
        auto* list = qobject_cast<QComboBox*>(c.widget(listId));
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QTest::mouseClick(c.widget(checkId), Qt::LeftButton);
        qobject_cast<QLineEdit*>(c.widget(editId))->end(false);
        QTest::keyClicks(c.widget(editId), "7");
        QCOMPARE(logic.commands.size(), size_t(3));
        QCOMPARE(logic.commands[0], listId);
        QCOMPARE(c.selectedListItem(listId), 0);
        QCOMPARE(logic.commands[1], checkId);
        QVERIFY(!c.isChecked(checkId));
        QCOMPARE(logic.commands[2], editId);
        QCOMPARE(c.text(editId), std::string("427"));

        c.enable(editId, false);
        QVERIFY(!c.widget(editId)->isEnabled());
        QCOMPARE(c.text(99999), std::string());
        dialog.hide();
    }
};

QTEST_MAIN(TemplateDialogTests)
#include "template_dialog_tests.moc"
