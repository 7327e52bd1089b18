// The text form of a rendered run: one line per message, "T SS D1 D2", T in whole milliseconds.
#pragma once

#include <ostream>
#include <vector>

#include "engine/recording_backend.h"

void writeMessageList(std::ostream& out, const std::vector<TimedMessage>& messages);
