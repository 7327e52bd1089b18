// A shared library the program does not link but opens when it is first used, so that loading it
// (and everything it needs) does not hold up the window at start-up. Each function the program
// calls from it is defined in a forwarding file (fluid_library.cpp, pulse_library.cpp) that finds
// the library's own on its first call, from any thread.
#pragma once

#include <dlfcn.h>

#include <mutex>
#include <string>

#include "common/diagnostics.h"

class LazyLibrary {
public:
    // `soname` as the linker would name it ("libfluidsynth.so.3"). Constant-initialised, so a
    // forwarder may run before any constructor of the program.
    constexpr explicit LazyLibrary(const char* soname) : soname_(soname) {}

    // The library's `name`, or null when the library or the function is missing (the first miss
    // of the library is said once in the log).
    template <typename Function>
    Function function(const char* name)
    {
        std::call_once(opened_, [this] {
            handle_ = dlopen(soname_, RTLD_NOW | RTLD_LOCAL);
            if (!handle_)
                logDiagnostic(std::string("cannot load ") + soname_ + ": " + dlerror());
        });
        return handle_ ? reinterpret_cast<Function>(dlsym(handle_, name)) : nullptr;
    }

private:
    const char* soname_;
    std::once_flag opened_;
    void* handle_ = nullptr;
};

// The body of a forwarder for `name` in `library`: the real function, looked up on the first call,
// with the forwarder's arguments; `fallback` without it.
#define LAZY_FORWARD(library, name, fallback, ...)                                  \
    static const auto real = (library).function<decltype(&::name)>(#name);          \
    return real ? real(__VA_ARGS__) : (fallback)

#define LAZY_FORWARD_VOID(library, name, ...)                                       \
    static const auto real = (library).function<decltype(&::name)>(#name);          \
    if (real)                                                                       \
        real(__VA_ARGS__)
