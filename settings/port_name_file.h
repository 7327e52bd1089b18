// The chosen MIDI port's shown name ("JACK: client:port", "ALSA: client:port"), kept in a small
// text file of its own beside the parameter file ("pulseLattice.port"). The parameter file keeps
// only the port's index in the list, which names another port once ports are added, removed or
// listed in another order; its layout stays as it is.
#pragma once

#include <optional>
#include <string>

// Its name beside the parameter file (sideFilePath gives the path).
inline constexpr char kPortNameFile[] = "pulseLattice.port";

// The name, or nothing when the file is missing, empty, or not one line of at most 255 printable
// characters (a damaged file: the index alone decides, as without the file).
std::optional<std::string> loadPortName(const std::string& path);

// Written atomically, as one line; an empty name removes the file. False when that fails (the old
// file kept, the failure logged as every side file's is).
bool savePortName(const std::string& path, const std::string& name);
