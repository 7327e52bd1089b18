// The real Qt shell, with the file dialog answered by the test.
#pragma once

#include <optional>

#include "platform/qt/qt_shell_platform.h"

class AnsweringShell : public QtShellPlatform {
public:
    std::optional<FileChoice> askFileChoice(const FileDialogRequest&) override { return answer; }
    std::optional<FileChoice> answer;
};
