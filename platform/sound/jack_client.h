// Opening JACK clients without ever starting a server, and the JACK MIDI inputs they list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <jack/jack.h>

// A client of the running JACK server (jackd, or PipeWire's JACK); null when none runs. It never
// starts a server, and with jackd's libjack it is not even tried while jackd does not answer.
// libjack's own messages are silenced: callers report failures themselves.
jack_client_t* openJackClient(const char* name);

// JACK's clock (jack_get_time) minus the steady clock, in ns, read side by side: JACK's clock is
// read between two steady reads and the narrowest of three brackets is kept. A single pair of reads
// is off by whatever passes between them: the first call into libjack binds its symbol (8 to 20 µs
// here, which put a session's first beat a frame late), and any call may be preempted.
int64_t jackMinusSteadyNs();

// The full names ("client:port") of every JACK MIDI input port, in the server's order.
// "Midi Through" and this program's own ports are left out. Empty when no server runs.
std::vector<std::string> listJackMidiInputs();

// JACK client name of this program; ports of clients whose name starts with it are our own.
inline constexpr const char* kJackClientName = "pulseLattice";
