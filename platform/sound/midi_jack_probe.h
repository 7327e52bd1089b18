// Whether a JACK server is running, asked without starting one.
#pragma once

// True when a JACK client can join a running server (jackd or PipeWire's JACK). Checked before a
// library that would otherwise try to start a server of its own makes a JACK client.
bool jackServerAnswers();
