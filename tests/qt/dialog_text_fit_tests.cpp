// Readable dialogs: in every template, opened with the logic that fills it, every control shows
// its whole text, and every drop-down list opens as wide as its longest entry.
#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyleOptionComboBox>
#include <QtTest>

#include <memory>

#include "app/about_dialog.h"
#include "app/confirm_exit_dialog.h"
#include "dialogs/concept_dialog.h"
#include "dialogs/controls_dialog.h"
#include "dialogs/durations_dialog.h"
#include "dialogs/export_length_dialog.h"
#include "dialogs/output_offset_dialog.h"
#include "dialogs/voice_table_dialog.h"
#include "platform/qt/qt_template_dialog.h"
#include "resources/dialog_template.h"
#include "resources/main_templates.h"
#include "settings/defaults.h"

namespace {

class TwoPorts : public DeviceListing {
public:
    uint32_t portCount() override { return 2; }
    bool portName(uint32_t id, std::string& name) override
    {
        name = id == 0 ? "ALSA: FLUID Synth (12345):Synth input port (12345:0)" : "JACK: rec:input";
        return true;
    }
};

// What does not fit in `widget`, or an empty text.
QString clipped(QWidget* widget)
{
    const QFontMetrics metrics(widget->font());
    const int width = widget->width();
    if (auto* label = qobject_cast<QLabel*>(widget))
        return metrics.horizontalAdvance(label->text()) <= width ? QString() : label->text();
    if (auto* box = qobject_cast<QCheckBox*>(widget))
        return box->sizeHint().width() <= width ? QString() : box->text();
    if (auto* button = qobject_cast<QPushButton*>(widget))
        return metrics.horizontalAdvance(button->text()) + 8 <= width ? QString() : button->text();
    if (auto* group = qobject_cast<QGroupBox*>(widget))
        return metrics.horizontalAdvance(group->title()) + 8 <= width ? QString() : group->title();
    if (auto* edit = qobject_cast<QLineEdit*>(widget))
        return metrics.horizontalAdvance(edit->text()) <= width - 4 ? QString() : edit->text();
    if (auto* list = qobject_cast<QComboBox*>(widget)) {
        if (list->sizeAdjustPolicy() == QComboBox::AdjustToContents)
            return "a list sized to its contents, not to its rectangle";
        // The room the closed box gives its text, as the style lays it out.
        QStyleOptionComboBox option;
        option.initFrom(list);
        option.editable = false;
        const int room =
            list->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, list).width();
        for (int i = 0; i < list->count(); ++i) {
            const int needed = metrics.horizontalAdvance(list->itemText(i));
            const bool longDevice = list->itemText(i).startsWith("ALSA: FLUID");  // may be cut when closed
            if ((needed > room && !longDevice) || needed > list->view()->minimumWidth())
                return list->itemText(i);
        }
    }
    return {};
}

}  // namespace

class DialogTextFitTests : public QObject {
    Q_OBJECT

private slots:
    void everyControlOfEveryTemplate_data()
    {
        QTest::addColumn<int>("templateId");
        for (int id : {106, 107, 120, 121, 122, 1000, 2000, 3000, 4000, 5000})
            QTest::newRow(qPrintable(QString::number(id))) << id;
    }

    void everyControlOfEveryTemplate()
    {
        QFETCH(int, templateId);
        SettingsRecord working{}, defaults{};
        fillBuiltInDefaults(working);
        TwoPorts ports;
        struct : ControlLearning {
            void learnNext(std::function<void(const ControlSource&)>) override {}
            void cancelLearn() override {}
        } noLearning;
        std::unique_ptr<DialogLogic> logic;
        switch (templateId) {
        case 106: logic = std::make_unique<AboutDialog>(); break;
        case 107: logic = std::make_unique<ConfirmExitDialog>(); break;
        case 120: logic = std::make_unique<ExportLengthDialog>(); break;
        case 121: {
            std::string longest;
            ports.portName(0, longest);
            logic = std::make_unique<OutputOffsetDialog>(longest, 10.7, -50);
            break;
        }
        case 122: {
            // The longest text the control line shows.
            ControlBindings bound{{ControlAction::FollowClock, {ControlSource::ProgramChange, 15, 127}}};
            logic = std::make_unique<ControlsDialog>(bound, noLearning);
            break;
        }
        case 1000: logic = std::make_unique<DurationsDialog>(working, defaults, ports); break;
        case 2000: logic = std::make_unique<ConceptDialog>(working, defaults, ports); break;
        default: logic = std::make_unique<VoiceTableDialog>(templateId, working); break;
        }
        QtTemplateDialog dialog(*findDialogTemplate(templateId), *logic, nullptr);
        QStringList problems;
        QTimer::singleShot(0, &dialog, [&] {
            QTest::qWait(20);
            for (QWidget* widget : dialog.controls().allControls())
                if (const QString text = clipped(widget); !text.isEmpty())
                    problems << text;
            // The about line is not shown selected when the box opens.
            if (auto* about = qobject_cast<QLineEdit*>(dialog.controls().widget(kAboutLineId));
                templateId == 106 && about->hasSelectedText())
                problems << "about line selected";
            dialog.close();
            dialog.controls().endDialog(2);
        });
        dialog.run();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(" | ")));
    }

    void mainWindowTemplate()
    {
        QWidget surface;
        QtControls controls(*findDialogTemplate(100), &surface);
        for (QWidget* widget : controls.allControls())
            QVERIFY2(clipped(widget).isEmpty(), qPrintable(clipped(widget)));
    }
};

QTEST_MAIN(DialogTextFitTests)
#include "dialog_text_fit_tests.moc"
