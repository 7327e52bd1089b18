// Engine failures as message boxes (caption "error", no owner), from either thread. A box raised
// on the playback thread is queued to the UI thread and shown there; nobody waits for it.
#pragma once

#include <QObject>
#include <QPointer>

#include <atomic>
#include <vector>

#include "engine/error_reporter.h"

class QMessageBox;

class QtErrorReporter : public QObject, public ErrorReporter {
public:
    QtErrorReporter();  // create on the UI thread
    ~QtErrorReporter() override;

    // Any thread. On the UI thread the box runs its own event loop, as every box of a command
    // does. From another thread (the playback thread) the text is queued to the UI thread, which
    // shows it as a box of its own, and the call returns at once: a real-time thread never waits
    // for a person.
    void showError(const std::string& text) override;

    // UI thread. Closes the boxes other threads raised and drops the ones still queued or raised
    // later: the program is closing.
    void closeForeignBoxes();

    // Boxes raised by other threads and still open. UI thread.
    int openForeignBoxes();

private:
    void showForeign(const std::string& text);  // UI thread

    std::atomic<bool> closing_{false};
    std::vector<QPointer<QMessageBox>> foreignBoxes_;  // UI thread only
};
