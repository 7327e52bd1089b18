// pulselattice: the window program. Builds the process-wide records, the Qt shell and the MIDI
// output, then runs start-up, the event loop and the closing sequence.
#include <QApplication>
#include <QTimer>

#include <cstdlib>

#include "app/app_context.h"
#include "app/commands.h"
#include "app/control/control_desk.h"
#include "common/diagnostics.h"
#include "app/lifecycle.h"
#include "app/remote/osc_control.h"
#include "app/session/clock_follow.h"
#include "app/session/session_commands.h"
#include "app/voice_set_opening.h"
#include "engine/lattice_feed.h"
#include "engine/steady_clock.h"
#include "platform/net/osc_server.h"
#include "platform/os/executable_path.h"
#include "platform/sound/link_session.h"
#include "platform/sound/offline_wav_render.h"
#include "platform/os/close_signals.h"
#include "platform/qt/font_config_warmup.h"
#include "platform/qt/qt_close_signals.h"
#include "platform/qt/qt_control_input.h"
#include "platform/qt/qt_lattice_view.h"
#include "platform/qt/qt_menu_arrow_style.h"
#include "platform/qt/qt_error_reporter.h"
#include "platform/qt/qt_shell_platform.h"
#include "platform/qt/qt_window_host.h"
#include "platform/qt/window_command_line.h"
#include "platform/os/realtime_thread.h"
#include "platform/os/single_instance.h"
#include "platform/sound/control_ports.h"
#include "platform/sound/system_midi_output.h"
#include "settings/osc_settings.h"
#include "settings/settings_record.h"

namespace {

// Records the playback thread shares live for the whole run.
PlayerState player;
Transport transport;
ParameterFile parameterFile;
LatticeFeed latticeFeed;  // note-ons from the playback thread to the lattice view
SessionSync session;      // Link and MIDI clock, shared with the playback thread
// An external MIDI clock's beats; the control input hands it the clock messages it receives.
MidiClockFollower clockFollower;

// Qt ends the process with exit() when the display's server goes away. main's records still
// stand then, so the closing part that needs no display runs from an exit handler: the playback
// thread ends (one left running would abort the process), what sounds is swept, the settings are
// written. Cleared before main returns, when its records go.
Lifecycle* closeAtExit = nullptr;

struct CloseAtExitGuard {
    explicit CloseAtExitGuard(Lifecycle& lifecycle)
    {
        closeAtExit = &lifecycle;
        static const bool registered = std::atexit([] {
            if (closeAtExit)
                closeAtExit->closeWithoutDisplay();
        }) == 0;
        (void)registered;
    }
    ~CloseAtExitGuard() { closeAtExit = nullptr; }
};

}  // namespace

int main(int argc, char** argv)
{
    // --help, --version and a bad option are answered before Qt starts: no window, no file.
    if (const std::optional<int> status = answerWindowCommandLine(argc, argv))
        return *status;
    // First of all: a signal from here on waits for the closing sequence instead of ending the process.
    CloseSignals::install();
    const FontConfigWarmup fonts;  // while Qt connects to the display
    QApplication qtApp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("pulseLattice"));
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.pulselattice.PulseLattice"));  // the menu entry
    QApplication::setQuitOnLastWindowClosed(false);  // only the closing sequence ends the program
    QApplication::setStyle(new QtMenuArrowStyle);  // the desktop's style; the application owns it

    QtShellPlatform shell;
    QtErrorReporter reporter;
    SystemMidiOutput output;
    SteadyClock clock;
    player.port.backend = &output;
    player.port.reporter = &reporter;
    transport.prepareThread = requestRealtimeScheduling;  // the playback thread asks for SCHED_FIFO
    LinkSession link;  // joins a session only while the Link switch is on
    session.timeline = &link;
    session.clockFollower = &clockFollower;
    transport.session = &session;

    player.latticeFeed.store(&latticeFeed, std::memory_order_release);

    AppContext app{shell, player, transport, WorkingSettings, DefaultSettings, parameterFile, output, clock,
                   renderWavFile};
    shell.setLatticeSources(&app, &latticeFeed);
    QtWindowHost host(shell, &reporter, SingleInstanceLock::defaultPath("pulseLattice"));
    Lifecycle lifecycle(app, host);
    CloseAtExitGuard closeAtExitGuard(lifecycle);
    host.onCommand = [&app](int commandId) { dispatchCommand(app, commandId); };
    // The control input: MMC and learned controls run the same commands, on this thread. Its ports
    // open before the output does, so its JACK client carries the program's own name.
    ControlPorts controlPorts;
    ControlDesk controlDesk(app);
    app.controlDesk = &controlDesk;
    host.onInstanceAcquired = [&] {
        controlDesk.restoreBindings();
        controlPorts.setClockSink(&clockFollower);  // Follow MIDI clock reads the clock it receives
        controlPorts.open();
    };
    QtControlInput controlInput(controlPorts, controlDesk, [&shell] {
        if (QtLatticeView* view = shell.latticeView())
            view->update();
    });
    host.onClose = [&lifecycle] { lifecycle.close(); };
    host.onFileHandedOver = [&app](const std::string& path) { openVoiceSet(app, path); };
    // SIGTERM, SIGINT and SIGHUP close as Exit does, without its confirmation.
    QtCloseSignals closeSignals([&lifecycle](int) {
        if (lifecycle.isWindowCreated())
            lifecycle.close();
    });

    switch (lifecycle.start(executablePath(), voiceSetArgument(argc, argv))) {
    case StartupResult::Running: break;
    case StartupResult::SecondInstance: return 0;
    case StartupResult::Closed: return 0;
    case StartupResult::Failed: return 1;  // the main window cannot be made
    }
    // OSC: off unless its side file switches it on, or --osc-port does for this run.
    OscServer osc;
    OscCounters oscCounters;
    OscSettings oscSettings = loadOscSettings(oscSettingsPath(parameterFile.path));
    if (const std::optional<uint16_t> port = windowOscPort(argc, argv)) {
        oscSettings.enabled = true;
        oscSettings.port = *port;
    }
    if (std::string error; oscSettings.enabled && !osc.start(oscSettings.port, oscSettings.acceptNetwork, error))
        logDiagnostic("OSC: the server cannot start: " + error);
    // The Controls dialog switches it on and off, or moves it, at once.
    app.applyOscSettings = [&osc](const OscSettings& settings) {
        osc.stop();
        std::string error;
        if (settings.enabled && !osc.start(settings.port, settings.acceptNetwork, error))
            logDiagnostic("OSC: the server cannot start: " + error);
        return error;
    };
    // A peer's start and stop, an external clock's, and OSC messages reach the UI thread by polling.
    QTimer sessionPoll;
    QObject::connect(&sessionPoll, &QTimer::timeout, [&app, &osc, &oscCounters] {
        followSession(app);
        followExternalClock(app);
        osc.drain([&](const OscMessage& message) { return handleOscMessage(app, message, oscCounters); });
    });
    sessionPoll.start(10);
    qtApp.exec();
    lifecycle.close();  // the event loop ended some other way: still shut down in order
    controlPorts.close();  // no port of ours stays behind
    return 0;
}
