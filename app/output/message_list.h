// The text form of a rendered run: one line per message, "T SS D1 D2", T in whole milliseconds.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "engine/recording_backend.h"

std::string formatMessageList(std::span<const TimedMessage> messages);
