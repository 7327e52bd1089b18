#include "platform/qt/window_command_line.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "app/command_line.h"

namespace {

// Our own options with a value, then the options QApplication and its platform plugins read
// themselves (one or two leading dashes).
constexpr std::array kOptions = {
    PassThroughOption{"osc-port", true, true},  // ours: read by oscPortOption

    PassThroughOption{"platform", true, false},
    PassThroughOption{"platformpluginpath", true, false},
    PassThroughOption{"platformtheme", true, false},
    PassThroughOption{"plugin", true, false},
    PassThroughOption{"qwindowgeometry", true, false},
    PassThroughOption{"qwindowicon", true, false},
    PassThroughOption{"qwindowtitle", true, false},
    PassThroughOption{"geometry", true, false},
    PassThroughOption{"icon", true, false},
    PassThroughOption{"title", true, false},
    PassThroughOption{"display", true, false},
    PassThroughOption{"session", true, false},
    PassThroughOption{"style", true, true},
    PassThroughOption{"stylesheet", true, true},
    PassThroughOption{"qmljsdebugger", false, true},
    PassThroughOption{"reverse", false, false},
    PassThroughOption{"widgetcount", false, false},
    PassThroughOption{"nograb", false, false},
    PassThroughOption{"dograb", false, false},
    PassThroughOption{"sync", false, false},
};

constexpr const char* kUsage =
    "usage: pulselattice [--osc-port N] [QT-OPTION...] [VOICES.gms]\n"
    "       pulselattice --help | --version\n"
    "\n"
    "Turns a number into a layered, self-similar MIDI rhythm and plays it live on the built-in\n"
    "General MIDI synthesiser or on a MIDI port. Everything else happens in the window.\n"
    "VOICES.gms, a voice set as Save writes it, is restored at the start as Restore would; when\n"
    "a copy already runs, it is handed to that copy instead.\n"
    "\n"
    "  -h, --help             print this help and exit\n"
    "      --version          print the version and exit\n"
    "      --osc-port N       run the OSC server on UDP port N for this run (see pulselattice(1))\n"
    "\n"
    "Qt's own options are passed to Qt, among them:\n"
    "  -platform NAME         the window system plugin (xcb, wayland, offscreen, ...)\n"
    "  -style STYLE           the widget style (Fusion, ...)\n"
    "  -stylesheet FILE       a Qt style sheet\n"
    "  -display DISPLAY       the X display to use\n"
    "  -reverse               lay the window out right to left\n"
    "\n"
    "Settings are kept in pulseLattice.par beside the executable, or in\n"
    "$XDG_CONFIG_HOME/pulseLattice/ (~/.config/pulseLattice/) where that cannot be written.\n"
    "PULSELATTICE_SOUNDFONT names the General MIDI soundfont of the built-in synthesiser.\n"
    "Exit status: 0 when closed normally, 1 when start-up failed, 2 for a bad option.\n"
    "Rendering to files without a window: pulselattice-render. See pulselattice(1).\n";

}  // namespace

std::string voiceSetArgument(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const CommandLineCheck check = checkCommandLine(args, kOptions);
    if (check.operands.empty() || check.operands.front().empty())
        return {};
    // Absolute, so that a copy with another working directory finds it when it is handed over.
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(check.operands.front(), error);
    return error ? check.operands.front() : absolute.lexically_normal().string();
}

std::optional<int> answerWindowCommandLine(int argc, char** argv)
{
    const std::vector<std::string> args(argv + 1, argv + argc);
    const CommandLineCheck check = checkCommandLine(args, kOptions);
    if (check.action == CommandLineAction::Run) {
        std::string error;
        if (!oscPortOption(args, error) && !error.empty()) {
            std::fprintf(stderr, "pulselattice: %s\n%s", error.c_str(), usageHint("pulselattice").c_str());
            return 2;
        }
        return std::nullopt;
    }
    return answerCommandLine(check, "pulselattice", kUsage);
}

std::optional<uint16_t> windowOscPort(int argc, char** argv)
{
    std::string error;
    return oscPortOption(std::vector<std::string>(argv + 1, argv + argc), error);
}
