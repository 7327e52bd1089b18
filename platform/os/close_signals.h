// SIGTERM, SIGINT and SIGHUP turned into bytes on a pipe (the self-pipe trick), so that the UI
// thread runs the closing sequence instead of the process ending where it stands.
#pragma once

namespace CloseSignals {

// Installs the handlers for the three signals, once per process. False when the pipe cannot be
// made; the signals then keep their default action (the process ends).
bool install();

// The pipe's read end (non-blocking), readable while a signal waits; -1 before install().
int readEnd();

// Empties the pipe; the number of the last signal caught, or 0 when none was waiting.
int take();

}  // namespace CloseSignals
