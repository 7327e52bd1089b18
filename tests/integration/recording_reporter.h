// An error reporter that keeps the texts of the boxes it would show, from any thread.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "engine/error_reporter.h"

class RecordingReporter : public ErrorReporter {
public:
    void showError(const std::string& text) override
    {
        std::lock_guard<std::mutex> guard(lock_);
        texts_.push_back(text);
    }
    std::vector<std::string> texts()
    {
        std::lock_guard<std::mutex> guard(lock_);
        return texts_;
    }

private:
    std::mutex lock_;
    std::vector<std::string> texts_;
};
