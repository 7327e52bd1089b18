// How engine failures reach the user: a message box with caption "error", one OK button and no
// owner window. Called from the UI thread it may wait until the user closes the box; called from
// the playback thread it must return at once (the box is shown by the UI thread).
#pragma once

#include <string>

class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;
    virtual void showError(const std::string& text) = 0;
};
