// Whether a JACK server is running, asked without starting one.
#pragma once

// True when the JACK server's socket accepts a connection. Checked before any JACK client is made,
// so no client library ever tries to start a server or prints its connection errors.
bool jackServerAnswers();
