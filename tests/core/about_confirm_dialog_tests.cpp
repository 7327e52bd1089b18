// The about box, the exit confirmation and the export length: their templates and their results.
#include <gtest/gtest.h>

#include <cstring>

#include "app/about_dialog.h"
#include "app/confirm_exit_dialog.h"
#include "dialogs/export_length_dialog.h"
#include "fake_controls.h"
#include "resources/dialog_template.h"
#include "resources/main_templates.h"

namespace {

TEST(AboutDialog, ShowsTheVersionLineAtInitialisation)
{
    FakeControls controls;
    AboutDialog about;
    about.init(controls);
    const std::string line = controls.text(kAboutLineId);
    EXPECT_EQ(line.rfind("pulseLattice ver.2.00.00", 0), 0u);
    EXPECT_GT(line.size(), std::strlen("pulseLattice ver.2.00.00")) << "a notice follows on the same line";
    EXPECT_EQ(line.find('\n'), std::string::npos);
    EXPECT_LT(line.size(), 260u);
    EXPECT_FALSE(controls.ended);
}

TEST(AboutAndConfirmation, OneConfirmsTwoCancelsOtherIdsAreIgnored)
{
    for (int which = 0; which < 2; ++which) {
        AboutDialog about;
        ConfirmExitDialog confirm;
        DialogLogic& logic = which == 0 ? static_cast<DialogLogic&>(about) : confirm;
        for (int id : {1, 2}) {
            FakeControls controls;
            logic.init(controls);
            logic.command(controls, id);
            EXPECT_TRUE(controls.ended);
            EXPECT_EQ(controls.result, id);
        }
        FakeControls controls;
        logic.init(controls);
        for (int id : {0, 3, 201, 312})
            logic.command(controls, id);
        logic.notify(controls, 1, true, -1);
        EXPECT_FALSE(controls.ended);
    }
}

TEST(AboutAndConfirmation, TemplatesHoldTheirTextsAndIds)
{
    const DialogTemplate* about = findDialogTemplate(106);
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(about->caption, "about");
    EXPECT_EQ(about->width, 240);
    EXPECT_EQ(about->height, 50);
    ASSERT_EQ(about->controls.size(), 2u);
    EXPECT_EQ(about->controls[0].id, 201);
    EXPECT_EQ(about->controls[0].kind, ControlKind::ReadOnlyEdit);
    EXPECT_EQ(about->controls[1].text, "continue");
    EXPECT_EQ(about->controls[1].kind, ControlKind::DefaultPushButton);

    const DialogTemplate* confirm = findDialogTemplate(107);
    ASSERT_NE(confirm, nullptr);
    EXPECT_EQ(confirm->caption, "confirmation");
    ASSERT_EQ(confirm->controls.size(), 3u);
    EXPECT_EQ(confirm->controls[0].text, "are you sure to exit the program?");
    EXPECT_TRUE(confirm->controls[0].centred);
    EXPECT_EQ(confirm->controls[1].text, "okay");
    EXPECT_EQ(confirm->controls[2].text, "cancel");
    EXPECT_EQ(confirm->controls[2].id, 2);

    EXPECT_EQ(findDialogTemplate(108), nullptr);
    EXPECT_EQ(findDialogTemplate(0), nullptr);
    for (int id : {100, 1000, 2000, 3000, 4000, 5000})
        EXPECT_EQ(findDialogTemplate(id) ? findDialogTemplate(id)->id : -1, id);
}

}  // namespace

TEST(ExportLength, PassesOrMinutesAndSeconds)
{
    EXPECT_EQ(parseExportLength(" 12 ")->passes, 12);
    EXPECT_EQ(parseExportLength("1:00")->stopAtMs, 60000);
    EXPECT_EQ(parseExportLength("10080:00")->stopAtMs, 604800000);
    for (const char* refused : {"", "0", "1:60", "1:5", "0:00", "10080:01", "-3", "1.5", "1:00:00", "9999999999"})
        EXPECT_FALSE(parseExportLength(refused)) << refused;

    FakeControls controls;
    ExportLengthDialog dialog;
    dialog.init(controls);
    controls.texts[kExportLengthEditId] = "x";
    dialog.command(controls, 1);
    EXPECT_FALSE(controls.ended);  // stays open with its message
    EXPECT_EQ(controls.errors.size(), 1u);
}
