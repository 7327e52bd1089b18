#include "platform/qt/qt_error_reporter.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QThread>

#include "platform/qt/qt_message_box.h"

QtErrorReporter::QtErrorReporter() = default;

QtErrorReporter::~QtErrorReporter()
{
    std::lock_guard<std::mutex> guard(mutex_);
    released_ = true;
    for (auto& request : pending_)
        request->done = true;
    closed_.notify_all();
}

void QtErrorReporter::showError(const std::string& text)
{
    if (QThread::currentThread() == thread()) {
        showMessageBox(QString::fromStdString(text), QStringLiteral("error"), nullptr);
        return;
    }
    auto request = std::make_shared<Request>();
    request->text = text;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (released_)
            return;
        pending_.push_back(request);
    }
    QMetaObject::invokeMethod(this, [this, request] { showForeign(request); }, Qt::QueuedConnection);
    std::unique_lock<std::mutex> lock(mutex_);
    closed_.wait(lock, [&] { return request->done; });
    pending_.remove(request);
}

void QtErrorReporter::showForeign(const std::shared_ptr<Request>& request)
{
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (request->done)
            return;  // released before the UI thread came to it
    }
    QMessageBox* box = makeMessageBox(QString::fromStdString(request->text), QStringLiteral("error"), nullptr);
    request->box = box;
    auto finish = [this, request] {
        std::lock_guard<std::mutex> guard(mutex_);
        request->box = nullptr;
        request->done = true;
        closed_.notify_all();
    };
    connect(box, &QMessageBox::finished, this, finish);
    connect(box, &QObject::destroyed, this, finish);
    box->show();
    box->raise();
}

void QtErrorReporter::releaseWaitingThreads()
{
    std::vector<QMessageBox*> open;
    {
        std::lock_guard<std::mutex> guard(mutex_);
        released_ = true;
        for (auto& request : pending_) {
            if (request->box)
                open.push_back(request->box);
            request->done = true;
        }
        closed_.notify_all();
    }
    for (QMessageBox* box : open)
        box->close();
}

int QtErrorReporter::openForeignBoxes()
{
    std::lock_guard<std::mutex> guard(mutex_);
    int count = 0;
    for (auto& request : pending_)
        if (request->box)
            ++count;
    return count;
}
