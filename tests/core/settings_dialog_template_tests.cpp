// Key controls of the settings dialogs' templates: ids, kinds, texts and rectangles.
#include <gtest/gtest.h>

#include <set>

#include "resources/settings_dialog_templates.h"

namespace {

const ControlTemplate* find(const DialogTemplate& dialog, int id)
{
    for (const ControlTemplate& control : dialog.controls)
        if (control.id == id)
            return &control;
    return nullptr;
}

const ControlTemplate* findText(const DialogTemplate& dialog, const std::string& text)
{
    for (const ControlTemplate& control : dialog.controls)
        if (control.text == text)
            return &control;
    return nullptr;
}

void expectRect(const ControlTemplate* control, int x, int y, int width, int height)
{
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(control->x, x);
    EXPECT_EQ(control->y, y);
    EXPECT_EQ(control->width, width);
    EXPECT_EQ(control->height, height);
}

// Ids are unique, every spin follows its edit at id + 10, and every control fits the dialog.
void expectWellFormed(const DialogTemplate& dialog)
{
    std::set<int> ids;
    for (const ControlTemplate& control : dialog.controls) {
        if (control.id != -1) {
            EXPECT_TRUE(ids.insert(control.id).second) << control.id;
        }
        if (control.kind == ControlKind::Spin) {
            const ControlTemplate* edit = find(dialog, control.id - 10);
            ASSERT_NE(edit, nullptr) << control.id;
            EXPECT_EQ(edit->kind, ControlKind::Edit);
            EXPECT_EQ(control.x, edit->x + edit->width);
            EXPECT_EQ(control.y, edit->y);
        }
        if (control.kind != ControlKind::DropDownList) {
            EXPECT_LE(control.y + control.height, dialog.height) << control.id;
        }
    }
}

// The velocity offset edit, its spin and its label overlap no other control (lists closed: 12 high).
void expectVelocityOffsetPlacedClear(const DialogTemplate& dialog)
{
    const ControlTemplate* label = findText(dialog, "velocity offset");
    if (dialog.id == 1000) {
        // The durations dialog has a row "velocity offset" for the plain offset already.
        label = nullptr;
        for (const ControlTemplate& control : dialog.controls)
            if (control.text == "velocity offset" && control.y == 92)
                label = &control;
    }
    ASSERT_NE(label, nullptr);
    const ControlTemplate* added[3] = {label, find(dialog, 1016), find(dialog, 1026)};
    for (const ControlTemplate* a : added) {
        ASSERT_NE(a, nullptr);
        EXPECT_LE(a->x + a->width, dialog.width);
        for (const ControlTemplate& b : dialog.controls) {
            if (&b == a || &b == added[0] || &b == added[1] || &b == added[2])
                continue;
            const int bHeight = b.kind == ControlKind::DropDownList ? 12 : b.height;
            const bool apart = a->x + a->width <= b.x || b.x + b.width <= a->x ||
                               a->y + a->height <= b.y || b.y + bHeight <= a->y;
            EXPECT_TRUE(apart) << a->id << " overlaps " << b.id << " \"" << b.text << "\"";
        }
    }
}

TEST(SettingsDialogTemplates, Concept)
{
    const DialogTemplate& t = conceptDialogTemplate();
    EXPECT_EQ(t.id, 2000);
    EXPECT_EQ(t.caption, "new concept");
    EXPECT_EQ(t.height, 210);
    EXPECT_EQ(t.fontFamily, "Arial");
    EXPECT_EQ(t.fontPointSize, 9);
    EXPECT_TRUE(t.centredOnScreen);
    expectWellFormed(t);
    expectVelocityOffsetPlacedClear(t);

    EXPECT_EQ(t.controls.front().text, "new concept");
    EXPECT_EQ(find(t, 1)->kind, ControlKind::DefaultPushButton);
    EXPECT_EQ(find(t, 1)->text, "Okay");
    expectRect(find(t, 2), 95, 185, 50, 12);
    expectRect(find(t, 2001), 100, 25, 55, 150);
    EXPECT_EQ(find(t, 2001)->dropHeight, 150);
    expectRect(find(t, 2010), 100, 39, 45, 10);
    expectRect(find(t, 2020), 145, 39, 10, 10);
    expectRect(find(t, 2031), 20, 55, 80, 10);  // the dialog writes "tempo, (32 ~ 192)"
    expectRect(find(t, 2032), 20, 70, 80, 10);  // and "layer, (1 ~ 8)"
    expectRect(find(t, 1031), 20, 92, 70, 10);
    EXPECT_EQ(find(t, 1031)->text, "modulation offset");
    EXPECT_EQ(find(t, 1041)->dropHeight, 50);
    expectRect(find(t, 1042), 100, 120, 45, 50);
    expectRect(findText(t, "midi device"), 20, 135, 135, 10);
    expectRect(find(t, 1100), 20, 145, 135, 150);
    EXPECT_EQ(find(t, 500)->text, "save as default, except midi device");
    EXPECT_EQ(find(t, 500)->kind, ControlKind::CheckBox);
    EXPECT_EQ(t.controls.back().id, 500);
}

TEST(SettingsDialogTemplates, DurationsAndOffsets)
{
    const DialogTemplate& t = durationsDialogTemplate();
    EXPECT_EQ(t.id, 1000);
    EXPECT_EQ(t.caption, "hidden commands dialog");
    EXPECT_EQ(t.width, conceptDialogTemplate().width);
    expectWellFormed(t);
    expectVelocityOffsetPlacedClear(t);

    EXPECT_EQ(t.controls.front().text, "durations and offsets, midi device");
    const int rows[6] = {25, 38, 56, 69, 92, 105};
    for (int i = 0; i < 6; ++i) {
        ASSERT_NE(find(t, 1011 + i), nullptr);
        EXPECT_EQ(find(t, 1011 + i)->kind, ControlKind::Edit);
        EXPECT_EQ(find(t, 1011 + i)->y, rows[i]);
    }
    expectRect(find(t, 1011), 100, 25, 35, 10);
    expectRect(find(t, 1024), 135, 69, 10, 10);
    EXPECT_EQ(findText(t, "msec")->y, 25);
    expectRect(findText(t, "beta duration"), 20, 38, 80, 10);
    expectRect(findText(t, "midi device"), 20, 135, 60, 10);
    EXPECT_EQ(find(t, 1001)->text, "save as default");
    expectRect(find(t, 1001), 20, 168, 140, 10);
}

TEST(SettingsDialogTemplates, VoiceTables)
{
    struct Member {
        int base;
        const char* caption;
        int box;
        const char* hint;
    };
    const Member members[3] = {{3000, "tone selection", 501, "A.:Acostic,  E.:Electric"},
                               {4000, "note selection", 502, "Range : 0x00 ~ 0x7f"},
                               {5000, "velocity selection", 503, "Range : 0x00 ~ 0x7f"}};
    for (const Member& m : members) {
        const DialogTemplate* t = voiceTableDialogTemplate(m.base);
        ASSERT_NE(t, nullptr);
        EXPECT_EQ(t->id, m.base);
        EXPECT_EQ(t->caption, m.caption);
        EXPECT_EQ(t->width, 180);
        EXPECT_EQ(t->height, 210);
        expectWellFormed(*t);
        EXPECT_EQ(t->controls[0].text, "Okay");
        expectRect(findText(*t, "alpha tone"), 45, 10, 166, 10);
        expectRect(findText(*t, "beta tone"), 110, 10, 166, 10);
        expectRect(findText(*t, "layer 1"), 15, 25, 70, 10);
        expectRect(findText(*t, "layer 8"), 15, 130, 70, 10);
        expectRect(find(*t, m.base + 1), 45, 25, 55, 110);
        expectRect(find(*t, m.base + 16), 110, 130, 55, 110);
        EXPECT_EQ(find(*t, m.base + 16)->dropHeight, 110);
        EXPECT_EQ(find(*t, m.base + 17), nullptr);
        expectRect(findText(*t, m.hint), 25, 150, 166, 10);
        expectRect(find(*t, m.box), 20, 168, 140, 10);
        EXPECT_EQ(find(*t, m.box)->text, "save as default");
        // Row order: the label, then the alpha list, then the beta list.
        for (size_t i = 0; i + 2 < t->controls.size(); ++i)
            if (t->controls[i].text == "layer 3") {
                EXPECT_EQ(t->controls[i + 1].id, m.base + 5);
                EXPECT_EQ(t->controls[i + 2].id, m.base + 6);
            }
    }
    EXPECT_EQ(voiceTableDialogTemplate(2000), nullptr);
}

}  // namespace
