#include "platform/sound/alsa_control_ports.h"

#include <rtmidi/RtMidi.h>

#include <chrono>

#include "app/control/clock_feed.h"
#include "common/diagnostics.h"
#include "engine/midi_port.h"
#include "platform/sound/jack_control_ports.h"
#include "platform/sound/rtmidi_ports.h"

namespace {

// RtMidi's input thread: one whole message (a SysEx assembled) at a time.
void receive(double, std::vector<unsigned char>* message, void* argument)
{
    if (!message || message->empty())
        return;
    const auto& receiver = *static_cast<const AlsaControlPorts::Receiver*>(argument);
    const Clock::Duration now = std::chrono::steady_clock::now().time_since_epoch();
    if (!takeRealTimeMessage(receiver.clockSink, message->data(), message->size(), now))
        receiver.inbox->post(ControlInbox::Alsa, message->data(), message->size(), now);
}

void reportError(RtMidiError::Type type, const std::string& text, void*)
{
    if (type != RtMidiError::DEBUG_WARNING)
        logDiagnostic("MIDI control port: " + text);
}

}  // namespace

AlsaControlPorts::AlsaControlPorts(ControlInbox& inbox, ClockMessageSink* clockSink)
    : receiver_{&inbox, clockSink}
{
}

AlsaControlPorts::~AlsaControlPorts()
{
    close();
}

bool AlsaControlPorts::open()
{
    if (in_)
        return true;
    if (!alsaSequencerPresent())
        return false;
    try {
        auto in = std::make_unique<RtMidiIn>(RtMidi::LINUX_ALSA, kMidiClientName);
        in->setErrorCallback(reportError, nullptr);
        in->ignoreTypes(false, false, true);  // SysEx (MMC) and the clock come in; active sensing not
        in->setCallback(receive, &receiver_);
        in->openVirtualPort(kControlInputPortName);
        auto out = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, kMidiClientName);
        out->setErrorCallback(reportError, nullptr);
        out->openVirtualPort(kControlInputPortName);
        in_ = std::move(in);
        out_ = std::move(out);
    } catch (const std::exception& e) {
        logDiagnostic(std::string("MIDI control port: ") + e.what());
        return false;
    }
    return true;
}

void AlsaControlPorts::close()
{
    try {
        if (in_) {
            in_->cancelCallback();
            in_->closePort();
        }
        if (out_)
            out_->closePort();
    } catch (const std::exception&) {
    }
    in_.reset();  // the ALSA clients, and their ports, go with the objects
    out_.reset();
}

void AlsaControlPorts::sendFeedback(uint32_t packed)
{
    if (!out_)
        return;
    const unsigned char bytes[3] = {static_cast<unsigned char>(packed), static_cast<unsigned char>(packed >> 8),
                                    static_cast<unsigned char>(packed >> 16)};
    try {
        out_->sendMessage(bytes, static_cast<size_t>(shortMessageLength(packed)));
    } catch (const std::exception&) {
    }
}
