// How engine failures reach the user: a message box with caption "error", one OK button and no
// owner window. It blocks the calling thread (either one) until the user closes it.
#pragma once

#include <string>

class ErrorReporter {
public:
    virtual ~ErrorReporter() = default;
    virtual void showError(const std::string& text) = 0;
};
