#include "platform/qt/qt_error_reporter.h"

#include <QMessageBox>
#include <QThread>

#include <algorithm>
#include <utility>

#include "platform/qt/qt_message_box.h"

QtErrorReporter::QtErrorReporter() = default;

QtErrorReporter::~QtErrorReporter()
{
    closeForeignBoxes();
}

void QtErrorReporter::showError(const std::string& text)
{
    if (QThread::currentThread() == thread()) {
        showMessageBox(QString::fromStdString(text), QStringLiteral("error"), nullptr);
        return;
    }
    if (closing_.load())
        return;
    // Posted to the UI thread's queue; dropped by Qt if this object is gone by then.
    QMetaObject::invokeMethod(this, [this, text] { showForeign(text); }, Qt::QueuedConnection);
}

void QtErrorReporter::showForeign(const std::string& text)
{
    if (closing_.load())
        return;
    std::erase_if(foreignBoxes_, [](const QPointer<QMessageBox>& box) { return box.isNull(); });
    QMessageBox* box = makeMessageBox(QString::fromStdString(text), QStringLiteral("error"), nullptr);
    foreignBoxes_.emplace_back(box);
    box->show();
    box->raise();
}

void QtErrorReporter::closeForeignBoxes()
{
    closing_.store(true);
    for (const QPointer<QMessageBox>& box : std::exchange(foreignBoxes_, {}))
        if (box)
            box->close();  // deleted on close
}

int QtErrorReporter::openForeignBoxes()
{
    return static_cast<int>(std::count_if(foreignBoxes_.begin(), foreignBoxes_.end(),
                                          [](const QPointer<QMessageBox>& box) { return box && box->isVisible(); }));
}
