#include "platform/qt/qt_template_renderer.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QTimer>
#include <QToolButton>

#include <cmath>

#include "platform/qt/qt_message_box.h"

namespace {

const char* kIdProperty = "controlId";

int mulDiv(int value, int numerator, int denominator)
{
    return static_cast<int>(std::lround(static_cast<double>(value) * numerator / denominator));
}

}  // namespace

int DialogUnits::toPixelsX(int x) const
{
    return mulDiv(x, baseX, 4);
}

int DialogUnits::toPixelsY(int y) const
{
    return mulDiv(y, baseY, 8);
}

QRect DialogUnits::toPixels(int x, int y, int width, int height) const
{
    return QRect(toPixelsX(x), toPixelsY(y), toPixelsX(width), toPixelsY(height));
}

QFont templateFont(const DialogTemplate& tpl)
{
    // The template's family, else its metric twin; matched in that order when the font is first
    // used, which spares listing every family on the machine before the first window.
    QFont font;
    font.setFamilies({QString::fromStdString(tpl.fontFamily), QStringLiteral("Liberation Sans")});
    font.setPointSize(tpl.fontPointSize);
    font.setStyleStrategy(QFont::PreferMatch);
    return font;
}

DialogUnits dialogUnitsFor(const QFont& font)
{
    // The average width of the 52 Latin letters, rounded, as the dialog manager measures it.
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    DialogUnits units;
    units.baseX = std::max(1, (letters / 26 + 1) / 2);
    units.baseY = std::max(1, metrics.height());
    return units;
}

QtSpinArrows::QtSpinArrows(QWidget* parent, std::function<void(int)> onStep) : QWidget(parent)
{
    up_ = new QToolButton(this);
    down_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    down_->setArrowType(Qt::DownArrow);
    for (QToolButton* arrow : {up_, down_}) {
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setAutoRepeat(true);  // held down: a step per repeat, as an up-down control does
        arrow->setAutoRaise(false);
    }
    // Up steps by +1, down by -1.
    QObject::connect(up_, &QToolButton::clicked, this, [onStep] { onStep(+1); });
    QObject::connect(down_, &QToolButton::clicked, this, [onStep] { onStep(-1); });
}

void QtSpinArrows::resizeEvent(QResizeEvent*)
{
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
}

QtControls::QtControls(const DialogTemplate& tpl, QWidget* surface) : QObject(surface)
{
    font_ = templateFont(tpl);
    units_ = dialogUnitsFor(font_);
    surface->setFont(font_);
    clientSize_ = QSize(units_.toPixelsX(tpl.width), units_.toPixelsY(tpl.height));
    onError = [](const std::string& text) { showMessageBox(QString::fromStdString(text), QStringLiteral("error"), nullptr); };

    fontBaseX_ = units_.baseX;
    for (const ControlTemplate& control : tpl.controls) {
        QWidget* widget = build(control, surface);
        widget->setProperty(kIdProperty, control.id);
        widget->show();
        all_.push_back(widget);
        templates_.push_back(control);
        if (control.id != -1 && byId_.count(control.id) == 0)
            byId_[control.id] = widget;
        if (widget->focusPolicy() != Qt::NoFocus)
            tabStops_.push_back(widget);
    }
    for (size_t i = 1; i < tabStops_.size(); ++i)
        QWidget::setTabOrder(tabStops_[i - 1], tabStops_[i]);
    // Each spin steps the edit whose id is its own minus kSpinIdOffset.
    for (const ControlTemplate& control : tpl.controls)
        if (control.kind == ControlKind::Spin)
            pairSpin(control.id, control.id - kSpinIdOffset);
    tplWidth_ = tpl.width;
    tplHeight_ = tpl.height;
    fitTexts();
}

int QtControls::requiredWidth(size_t index) const
{
    const ControlTemplate& control = templates_[index];
    QWidget* widget = all_[index];
    const QFontMetrics metrics(font_);
    QStyle* style = widget->style();
    switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton: {
        const auto* button = static_cast<QPushButton*>(widget);
        if (button->text().isEmpty())
            return 0;
        // The style's own margins around the label, without its preferred minimum width.
        return metrics.horizontalAdvance(button->text()) + style->pixelMetric(QStyle::PM_ButtonMargin) +
               2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth);
    }
    case ControlKind::CheckBox:
        return static_cast<QCheckBox*>(widget)->sizeHint().width();
    case ControlKind::StaticText: {
        const QString text = static_cast<QLabel*>(widget)->text();
        return text.isEmpty() ? 0 : metrics.horizontalAdvance(text) + 1;
    }
    case ControlKind::GroupBox: {
        const QString title = static_cast<QGroupBox*>(widget)->title();
        return title.isEmpty() ? 0 : metrics.horizontalAdvance(title) + 16;  // 6 px inset, 2 px padding, frame
    }
    case ControlKind::Edit:
    case ControlKind::ReadOnlyEdit: {
        const QString text = static_cast<QLineEdit*>(widget)->text();
        // The frame and the edit's fixed 2-pixel margins at each side, plus the cursor.
        return text.isEmpty() ? 0 : metrics.horizontalAdvance(text) + 2 * style->pixelMetric(QStyle::PM_DefaultFrameWidth) + 6;
    }
    case ControlKind::DropDownList: {
        auto* list = static_cast<QComboBox*>(widget);
        int longest = 0;
        for (int item = 0; item < list->count(); ++item)
            longest = std::max(longest, metrics.horizontalAdvance(list->itemText(item)));
        if (longest == 0)
            return 0;
        // The style's frame and arrow around the longest entry, as the box's own size hint adds them.
        QStyleOptionComboBox option;
        option.initFrom(list);
        return style->sizeFromContents(QStyle::CT_ComboBox, &option, QSize(longest, metrics.height()), list).width();
    }
    case ControlKind::Spin:
        return 0;
    }
    return 0;
}

void QtControls::fitTexts()
{
    int base = fontBaseX_;
    for (size_t i = 0; i < all_.size(); ++i) {
        const int width = templates_[i].width;
        const int needed = requiredWidth(i);
        if (width > 0 && needed > 0)
            base = std::max(base, (4 * needed + width - 1) / width);  // width * base / 4 >= needed
    }
    units_.baseX = std::min(base, 2 * fontBaseX_);
    clientSize_ = QSize(units_.toPixelsX(tplWidth_), units_.toPixelsY(tplHeight_));

    const QFontMetrics metrics(font_);
    for (size_t i = 0; i < all_.size(); ++i) {
        const ControlTemplate& control = templates_[i];
        QRect rect = units_.toPixels(control.x, control.y, control.width, control.height);
        if (auto* list = qobject_cast<QComboBox*>(all_[i])) {
            rect.setHeight(std::min(rect.height(), metrics.height() + 8));
            // The drop-down opens at least as wide as its longest entry.
            int longest = 0;
            for (int item = 0; item < list->count(); ++item)
                longest = std::max(longest, metrics.horizontalAdvance(list->itemText(item)));
            list->view()->setMinimumWidth(longest + list->style()->pixelMetric(QStyle::PM_ScrollBarExtent) + 16);
        }
        all_[i]->setGeometry(rect);
    }
}

QWidget* QtControls::build(const ControlTemplate& control, QWidget* surface)
{
    const int id = control.id;
    const QString text = QString::fromStdString(control.text);
    QRect rect = units_.toPixels(control.x, control.y, control.width, control.height);
    QWidget* widget = nullptr;

    switch (control.kind) {
    case ControlKind::PushButton:
    case ControlKind::DefaultPushButton: {
        auto* button = new QPushButton(text, surface);
        button->setFocusPolicy(Qt::StrongFocus);
        button->setAutoDefault(false);
        button->setDefault(control.kind == ControlKind::DefaultPushButton);
        connect(button, &QPushButton::clicked, this, [this, id] {
            if (onCommand)
                onCommand(id);
        });
        widget = button;
        break;
    }
    case ControlKind::GroupBox: {
        auto* group = new QGroupBox(text, surface);
        group->setFocusPolicy(Qt::NoFocus);
        // As a dialog group box looks: the frame starts halfway down the title, which sits on it.
        group->setStyleSheet(QStringLiteral(
            "QGroupBox { border: 1px solid #808080; border-radius: 0px; margin-top: 0.5em; }"
            "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left; left: 6px;"
            " padding: 0px 2px; }"));
        widget = group;
        break;
    }
    case ControlKind::StaticText: {
        auto* label = new QLabel(text, surface);
        label->setAlignment((control.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignTop);
        label->setWordWrap(true);
        label->setFocusPolicy(Qt::NoFocus);
        widget = label;
        break;
    }
    case ControlKind::Edit:
    case ControlKind::ReadOnlyEdit: {
        auto* edit = new QLineEdit(text, surface);
        edit->setFocusPolicy(Qt::StrongFocus);
        edit->setTextMargins(0, 0, 0, 0);
        if (control.kind == ControlKind::ReadOnlyEdit) {
            edit->setReadOnly(true);
            edit->setFrame(false);
            edit->setAlignment(Qt::AlignHCenter);
            // A read-only edit shows the dialog's own background.
            edit->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));
            edit->installEventFilter(this);  // the text is not shown selected when it gets the focus
        }
        connect(edit, &QLineEdit::textEdited, this, [this, id] {
            if (onCommand && !programmatic_)
                onCommand(id);
        });
        widget = edit;
        break;
    }
    case ControlKind::DropDownList: {
        // Only a choice from the list: the box has no edit field to type into.
        auto* list = new QComboBox(surface);
        list->setEditable(false);
        list->setFocusPolicy(Qt::StrongFocus);
        const int closedHeight = std::min(rect.height(), QFontMetrics(font_).height() + 8);
        const int dropPixels = units_.toPixelsY(control.dropHeight > 0 ? control.dropHeight : control.height);
        const int rowHeight = std::max(1, QFontMetrics(font_).height() + 2);
        list->setMaxVisibleItems(std::max(1, (dropPixels - closedHeight) / rowHeight));
        rect.setHeight(closedHeight);
        connect(list, &QComboBox::currentIndexChanged, this, [this, id] {
            if (onCommand && !programmatic_)
                onCommand(id);
        });
        widget = list;
        break;
    }
    case ControlKind::CheckBox: {
        auto* box = new QCheckBox(text, surface);
        box->setFocusPolicy(Qt::StrongFocus);
        connect(box, &QCheckBox::clicked, this, [this, id] {
            if (onCommand)
                onCommand(id);
        });
        widget = box;
        break;
    }
    case ControlKind::Spin: {
        auto* spin = new QtSpinArrows(surface, [this, id](int delta) { step(id, delta); });
        spin->setFocusPolicy(Qt::NoFocus);
        widget = spin;
        break;
    }
    }
    widget->setGeometry(rect);
    return widget;
}

void QtControls::step(int spinId, int delta)
{
    QWidget* spin = widget(spinId);
    if (spin && !spin->isEnabled())
        return;
    if (onStep)
        onStep(spinId, delta);
}

bool QtControls::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        if (auto* edit = qobject_cast<QLineEdit*>(watched); edit && edit->isReadOnly())
            QTimer::singleShot(0, edit, [edit] { edit->deselect(); });  // after the edit's own select-all
    }
    if (event->type() == QEvent::KeyPress) {
        auto found = editToSpin_.find(watched);
        if (found != editToSpin_.end()) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Up || key == Qt::Key_Down) {
                step(found->second, key == Qt::Key_Up ? +1 : -1);
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

QWidget* QtControls::widget(int id) const
{
    auto found = byId_.find(id);
    return found == byId_.end() ? nullptr : found->second;
}

void QtControls::setText(int id, const std::string& value)
{
    QWidget* target = widget(id);
    const QString text = QString::fromStdString(value);
    programmatic_ = true;
    if (auto* edit = qobject_cast<QLineEdit*>(target)) {
        edit->setText(text);
        edit->setCursorPosition(0);
    } else if (auto* button = qobject_cast<QAbstractButton*>(target)) {
        button->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(target)) {
        label->setText(text);
    } else if (auto* group = qobject_cast<QGroupBox*>(target)) {
        group->setTitle(text);
    }
    programmatic_ = false;
}

std::string QtControls::text(int id)
{
    QWidget* target = widget(id);
    if (auto* edit = qobject_cast<QLineEdit*>(target))
        return edit->text().toStdString();
    if (auto* list = qobject_cast<QComboBox*>(target))
        return list->currentIndex() < 0 ? std::string() : list->currentText().toStdString();
    if (auto* button = qobject_cast<QAbstractButton*>(target))
        return button->text().toStdString();
    if (auto* label = qobject_cast<QLabel*>(target))
        return label->text().toStdString();
    if (auto* group = qobject_cast<QGroupBox*>(target))
        return group->title().toStdString();
    return {};
}

void QtControls::addListItem(int id, const std::string& value)
{
    if (auto* list = qobject_cast<QComboBox*>(widget(id))) {
        programmatic_ = true;
        const int selected = list->currentIndex();
        list->addItem(QString::fromStdString(value));
        // Adding to an empty box must not select the new entry: a list starts without selection.
        list->setCurrentIndex(selected);
        programmatic_ = false;
    }
}

void QtControls::selectListItem(int id, int index)
{
    if (auto* list = qobject_cast<QComboBox*>(widget(id))) {
        programmatic_ = true;
        list->setCurrentIndex(index >= 0 && index < list->count() ? index : -1);
        programmatic_ = false;
    }
}

int QtControls::selectedListItem(int id)
{
    auto* list = qobject_cast<QComboBox*>(widget(id));
    return list ? list->currentIndex() : -1;
}

void QtControls::setChecked(int id, bool checked)
{
    if (auto* box = qobject_cast<QCheckBox*>(widget(id)))
        box->setChecked(checked);
}

bool QtControls::isChecked(int id)
{
    auto* box = qobject_cast<QCheckBox*>(widget(id));
    return box && box->isChecked();
}

void QtControls::enable(int id, bool enabled)
{
    if (QWidget* target = widget(id))
        target->setEnabled(enabled);
}

void QtControls::pairSpin(int spinId, int editId)
{
    for (auto it = editToSpin_.begin(); it != editToSpin_.end();) {
        if (it->second == spinId) {
            it->first->removeEventFilter(this);
            it = editToSpin_.erase(it);
        } else {
            ++it;
        }
    }
    if (auto* edit = qobject_cast<QLineEdit*>(widget(editId))) {
        editToSpin_[edit] = spinId;
        edit->installEventFilter(this);
    }
}

void QtControls::endDialog(int result)
{
    if (onEnd)
        onEnd(result);
}

void QtControls::showError(const std::string& text)
{
    if (onError)
        onError(text);
}
