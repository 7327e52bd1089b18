// Engine failures as message boxes (caption "error", no owner), from either thread. A box raised
// on the playback thread is shown by the UI thread; only the playback thread waits for it.
#pragma once

#include <QObject>

#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>

#include "engine/error_reporter.h"

class QMessageBox;

class QtErrorReporter : public QObject, public ErrorReporter {
public:
    QtErrorReporter();  // create on the UI thread
    ~QtErrorReporter() override;

    // Any thread. On the UI thread the box runs its own event loop; on another thread the caller
    // blocks until the box is closed or releaseWaitingThreads() is called.
    void showError(const std::string& text) override;

    // UI thread. Closes the boxes other threads wait on and makes later calls from other threads
    // return at once: the closing sequence joins the playback thread after this.
    void releaseWaitingThreads();

    // Boxes requested by other threads and still open (for tests).
    int openForeignBoxes();

private:
    struct Request {
        std::string text;
        bool done = false;
        QMessageBox* box = nullptr;  // UI thread only
    };
    void showForeign(const std::shared_ptr<Request>& request);  // UI thread

    std::mutex mutex_;
    std::condition_variable closed_;
    std::list<std::shared_ptr<Request>> pending_;
    bool released_ = false;
};
