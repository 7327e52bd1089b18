// Fontconfig's start-up, run on a thread of its own while Qt connects to the display. The first
// text a window measures makes fontconfig read its configuration and font caches, about 6 ms on
// the UI thread before the first window; begun here at once, it overlaps Qt's own start (which
// needs no fonts) and is done by the time the window's first font is matched. Fontconfig's
// initialisation is thread-safe: Qt takes the configuration this thread loaded.
#pragma once

#include <thread>

class FontConfigWarmup {
public:
    FontConfigWarmup();
    ~FontConfigWarmup();  // waits for the thread, which ends by itself after the load
    FontConfigWarmup(const FontConfigWarmup&) = delete;
    FontConfigWarmup& operator=(const FontConfigWarmup&) = delete;

private:
    std::thread thread_;
};
