// The generic Qt renderer of dialog templates: dialog units, the template font, and QtControls,
// the id-addressed controls built from a template. UI thread only.
#pragma once

#include <QFont>
#include <QObject>
#include <QRect>
#include <QWidget>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dialogs/controls.h"
#include "resources/dialog_template.h"

class QComboBox;
class QToolButton;

// Dialog units of a font: x * baseX / 4 and y * baseY / 8 pixels, rounded as MulDiv rounds.
struct DialogUnits {
    int baseX = 1;  // average character width, pixels
    int baseY = 1;  // character height, pixels
    int toPixelsX(int x) const;
    int toPixelsY(int y) const;
    QRect toPixels(int x, int y, int width, int height) const;
};

// The template's font, or Liberation Sans (metric-compatible) where it is missing.
QFont templateFont(const DialogTemplate& tpl);
DialogUnits dialogUnitsFor(const QFont& font);

// The up-down control of a spin: two arrows that only report step requests.
class QtSpinArrows : public QWidget {
public:
    QtSpinArrows(QWidget* parent, std::function<void(int delta)> onStep);
    QToolButton* upArrow() const { return up_; }
    QToolButton* downArrow() const { return down_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* up_;
    QToolButton* down_;
};

// The controls of one template, built as children of `surface` (their positions in dialog units
// of the template's font). Every control carries its id in the property "controlId".
class QtControls : public QObject, public Controls {
public:
    QtControls(const DialogTemplate& tpl, QWidget* surface);

    // Where notifications go: a control's command (pressed, toggled, edited, selected), a spin's
    // step (spin id, delta), the end of the dialog, an error box.
    std::function<void(int id)> onCommand;
    std::function<void(int spinId, int delta)> onStep;
    std::function<void(int result)> onEnd;
    std::function<void(const std::string& text)> onError;

    QWidget* widget(int id) const;
    const DialogUnits& units() const { return units_; }
    const QFont& font() const { return font_; }
    QSize clientSize() const { return clientSize_; }
    // The tab stops in template order; the first one gets the focus when the dialog opens.
    const std::vector<QWidget*>& tabStops() const { return tabStops_; }
    // Every control in template order, also those without an id.
    const std::vector<QWidget*>& allControls() const { return all_; }

    // Chooses the dialog-unit base so that every control's current text fits its rectangle
    // (list entries included; a list's drop-down opens as wide as its longest entry), and lays the
    // controls out again. The base never falls below the font's own, and grows at most to twice
    // that, so one absurdly long entry cannot blow the window up. Called once the texts are set.
    void fitTexts();
    // The width in pixels the control needs to show its whole text, as QFontMetrics measures it
    // (with the style's frame, margins, indicator or arrow); 0 for a control without text.
    int requiredWidth(size_t index) const;

    void setText(int id, const std::string& text) override;
    std::string text(int id) override;
    void addListItem(int id, const std::string& text) override;
    void selectListItem(int id, int index) override;
    int selectedListItem(int id) override;
    void setChecked(int id, bool checked) override;
    bool isChecked(int id) override;
    void enable(int id, bool enabled) override;
    void pairSpin(int spinId, int editId) override;
    void endDialog(int result) override;
    void showError(const std::string& text) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* build(const ControlTemplate& control, QWidget* surface);
    void step(int spinId, int delta);

    DialogUnits units_;
    int fontBaseX_ = 1;                   // the font's own average character width
    int tplWidth_ = 0, tplHeight_ = 0;    // dialog units
    std::vector<ControlTemplate> templates_;  // parallel to all_
    QFont font_;
    QSize clientSize_;
    std::map<int, QWidget*> byId_;
    std::vector<QWidget*> all_;
    std::vector<QWidget*> tabStops_;
    std::map<QObject*, int> editToSpin_;  // edit widget -> id of the spin that steps it
    bool programmatic_ = false;           // set while the logic itself changes a control
};
