#include "platform/qt/qt_template_dialog.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>

QtTemplateDialog::QtTemplateDialog(const DialogTemplate& tpl, DialogLogic& logic, QWidget* owner)
    : QDialog(owner), logic_(logic), centred_(tpl.centredOnScreen)
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setWindowTitle(QString::fromStdString(tpl.caption));
    controls_ = new QtControls(tpl, this);
    setFixedSize(controls_->clientSize());
    controls_->onCommand = [this](int id) { logic_.command(*controls_, id); };
    controls_->onStep = [this](int spinId, int delta) { logic_.notify(*controls_, spinId, true, delta); };
    controls_->onEnd = [this](int result) {
        ended_ = true;
        result_ = result;
        done(result);
    };
}

int QtTemplateDialog::run()
{
    ended_ = false;
    result_ = 2;
    logic_.init(*controls_);
    if (ended_)
        return result_;
    controls_->fitTexts();  // the lists and edits are filled now
    setFixedSize(controls_->clientSize());
    if (centred_) {
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        move(screen.center() - QPoint(width() / 2, height() / 2));
    }
    setModal(true);
    exec();
    return ended_ ? result_ : 2;
}

void QtTemplateDialog::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // The focus starts on the first tab stop that can take it.
    for (QWidget* stop : controls_->tabStops()) {
        if (stop->isEnabled()) {
            stop->setFocus(Qt::OtherFocusReason);
            break;
        }
    }
}

void QtTemplateDialog::keyPressEvent(QKeyEvent* event)
{
    if (event->modifiers() & ~(Qt::KeypadModifier)) {
        QDialog::keyPressEvent(event);
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        // Enter presses the focused push button, or else the default button, id 1.
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->isEnabled()) {
            button->click();
        } else {
            logic_.command(*controls_, 1);
        }
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);  // Escape calls reject()
}

void QtTemplateDialog::reject()
{
    logic_.command(*controls_, 2);
}

void QtTemplateDialog::closeEvent(QCloseEvent* event)
{
    // The close box sends id 2; the logic decides whether the dialog ends.
    if (!ended_) {
        event->ignore();
        logic_.command(*controls_, 2);
    } else {
        QDialog::closeEvent(event);
    }
}
