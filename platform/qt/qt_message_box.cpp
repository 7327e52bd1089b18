#include "platform/qt/qt_message_box.h"

#include <QApplication>
#include <QEventLoop>
#include <QMessageBox>
#include <QPointer>

QMessageBox* makeMessageBox(const QString& text, const QString& caption, QWidget* owner)
{
    auto* box = new QMessageBox(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (owner)
        box->setWindowModality(Qt::WindowModal);
    else
        box->setWindowModality(QApplication::activeModalWidget() ? Qt::ApplicationModal : Qt::NonModal);
    return box;
}

void showMessageBox(const QString& text, const QString& caption, QWidget* owner)
{
    QPointer<QMessageBox> box = makeMessageBox(text, caption, owner);
    QEventLoop loop;
    QObject::connect(box, &QMessageBox::finished, &loop, &QEventLoop::quit);
    QObject::connect(box, &QObject::destroyed, &loop, &QEventLoop::quit);
    box->show();
    box->raise();
    box->activateWindow();
    if (box && box->isVisible())
        loop.exec();
}
