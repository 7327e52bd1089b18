#include "engine/midi_port.h"

#include "engine/note_shift.h"
#include "engine/player_state.h"
#include "common/wrapping_math.h"
#include "settings/settings_record.h"

uint32_t packShortMessage(int32_t status, int32_t data1, int32_t data2)
{
    return static_cast<uint32_t>(lowByte(status)) | static_cast<uint32_t>(lowByte(data1)) << 8 |
           static_cast<uint32_t>(lowByte(data2)) << 16;
}

namespace {

bool carriesOneDataByte(int32_t status)
{
    const int32_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0;
}

bool isDataValue(int32_t value)
{
    return value >= 0 && value <= 127;
}

}  // namespace

bool isValidMidiMessage(uint32_t packed)
{
    if (packed & kDataOutOfRange)
        return false;
    const uint32_t status = packed & 0xFF;
    const uint32_t data1 = (packed >> 8) & 0xFF;
    const uint32_t data2 = (packed >> 16) & 0xFF;
    if (status < 0x80 || data1 > 0x7F)
        return false;
    return carriesOneDataByte(static_cast<int32_t>(status)) || data2 <= 0x7F;
}

int shortMessageLength(uint32_t packed)
{
    const uint32_t status = packed & 0xFF;
    if (status >= 0xF8)
        return 1;
    const uint32_t kind = status & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 2 : 3;
}

const char* openErrorText(int code)
{
    switch (code) {
    case MidiResult::BadDeviceId: return "the specified device identifier is out of range";
    case MidiResult::Allocated: return "the specified resource is already allocated";
    case MidiResult::NoMemory: return "the system is unable to allocate or lock memory";
    case MidiResult::InvalidParam: return "the specified pointer or structure is invalid";
    case MidiResult::NoDevice: return "no MIDI port was found";
    default: return "unknown error";
    }
}

const char* closeErrorText(int code)
{
    switch (code) {
    case MidiResult::InvalidHandle: return "the specified device handle is invalid";
    case MidiResult::NoMemory: return "the system is unable to load mapper string description";
    case MidiResult::StillPlaying: return "buffers are still in the queue";
    default: return "unknown error";
    }
}

const char* sendErrorText(int code)
{
    switch (code) {
    case MidiResult::InvalidHandle: return "the specified device handle is invalid";
    case MidiResult::NotReady: return "the hardware is busy with other data";
    case MidiResult::BadOpenMode: return "the application sent a message without a status byte to a stream handle";
    default: return "unknown error";
    }
}

namespace {

// Who failed and why, read under the port's lock for the box shown after it.
struct FailureWords {
    std::string port;    // the port's shown name, first in the box
    std::string reason;  // what the backend says, last
};

FailureWords failureWordsLocked(MidiPort& port, bool withReason)
{
    if (!port.backend)
        return {};
    return {port.backend->shownPortName(), withReason ? port.backend->failureReason() : std::string()};
}

// The box is shown after the lock is released, so a box on one thread never stalls the other:
// "JACK: rec:input: the hardware is busy with other data", and the backend's reason below.
int reportFailure(MidiPort& port, int code, const char* (*textOf)(int), const FailureWords& words = {})
{
    if (code == MidiResult::Ok)
        return 0;
    std::string text = words.port.empty() ? std::string(textOf(code)) : words.port + ": " + textOf(code);
    if (!words.reason.empty())
        text += "\n\n" + words.reason;
    if (port.reporter)
        port.reporter->showError(text);
    return 1;
}

// Under the port's lock: the open output's offset from the table (none while nothing is open).
void takeOffsetLocked(MidiPort& port)
{
    const int32_t ms = port.openName.empty() ? 0 : port.offsets.offsetFor(port.openName);
    port.offsetNs.store(int64_t{ms} * 1'000'000, std::memory_order_relaxed);
}

// A device open or close (up to hundreds of ms while an audio server drains) under way, with the
// port's lock held only to mark it: the playback thread's sends meanwhile are dropped and
// counted, never kept waiting. UI thread only, which is the only thread that opens and closes.
class PortChange {
public:
    explicit PortChange(MidiPort& port) : port_(port)
    {
        std::lock_guard<std::mutex> guard(port_.lock);
        port_.changing = true;
    }
    ~PortChange()
    {
        std::lock_guard<std::mutex> guard(port_.lock);
        port_.changing = false;
    }
    PortChange(const PortChange&) = delete;
    PortChange& operator=(const PortChange&) = delete;

private:
    MidiPort& port_;
};

void setOpen(MidiPort& port, bool open)
{
    std::lock_guard<std::mutex> guard(port.lock);
    port.isOpen = open;
}

// During a PortChange.
int openLocked(MidiPort& port, int32_t deviceId, FailureWords& words)
{
    int code = MidiResult::InvalidParam;
    if (port.backend) {
        code = port.backend->open(deviceId);
        if (code != MidiResult::Ok)
            words = failureWordsLocked(port, true);
    }
    setOpen(port, code == MidiResult::Ok);
    port.sendFailureShown.store(false);
    port.failedSends.store(0);
    std::string name;
    if (code == MidiResult::Ok)
        name = deviceId == -1 ? std::string(kMapperName) : port.backend->shownPortName();
    std::lock_guard<std::mutex> guard(port.lock);
    port.openName = std::move(name);
    takeOffsetLocked(port);
    return code;
}

int closeLocked(MidiPort& port)
{
    const int code = port.backend ? port.backend->close() : MidiResult::InvalidHandle;
    setOpen(port, false);
    {
        std::lock_guard<std::mutex> guard(port.lock);
        port.openName.clear();
        takeOffsetLocked(port);
    }
    return code;
}

}  // namespace

bool portIsOpen(PlayerState& player)
{
    std::lock_guard<std::mutex> guard(player.port.lock);
    return player.port.isOpen;
}

MessageTime portLatency(PlayerState& player)
{
    MidiPort& port = player.port;
    std::lock_guard<std::mutex> guard(port.lock);
    if (!port.changing)  // during an open or close: the latency last known
        port.latency = port.backend ? port.backend->placementLatency() : MessageTime::zero();
    return port.latency + portOutputOffset(player);
}

MessageTime portReportedLatency(PlayerState& player)
{
    return player.port.backend ? player.port.backend->reportedLatency() : MessageTime::zero();
}

MessageTime portOutputOffset(const PlayerState& player)
{
    return MessageTime(player.port.offsetNs.load(std::memory_order_relaxed));
}

std::string openOutputName(PlayerState& player)
{
    std::lock_guard<std::mutex> guard(player.port.lock);
    return player.port.openName;
}

void setOutputOffsets(PlayerState& player, const OutputOffsets& offsets)
{
    std::lock_guard<std::mutex> guard(player.port.lock);
    player.port.offsets = offsets;
    takeOffsetLocked(player.port);
}

int tryOpenPort(PlayerState& player, std::string& reason)
{
    PortChange change(player.port);
    FailureWords words;
    const int code = openLocked(player.port, get(player.deviceId), words);
    reason = words.reason;
    return code;
}

int openPort(PlayerState& player)
{
    MidiPort& port = player.port;
    int code = MidiResult::InvalidParam;
    FailureWords words;
    {
        PortChange change(port);
        code = openLocked(port, get(player.deviceId), words);
    }
    return reportFailure(port, code, openErrorText, words);
}

int closePort(PlayerState& player)
{
    MidiPort& port = player.port;
    int code = MidiResult::InvalidHandle;
    FailureWords words;
    {
        PortChange change(port);
        code = closeLocked(port);
        if (code != MidiResult::Ok)
            words = failureWordsLocked(port, false);
    }
    return reportFailure(port, code, closeErrorText, words);
}

int sendShortMessage(PlayerState& player, int32_t status, int32_t data1, int32_t data2, MessageTime at)
{
    MidiPort& port = player.port;
    uint32_t message = packShortMessage(status, data1, data2);
    if (!isDataValue(data1) || (!carriesOneDataByte(status) && !isDataValue(data2)))
        message |= kDataOutOfRange;
    int code = MidiResult::InvalidHandle;
    FailureWords words;
    {
        std::lock_guard<std::mutex> guard(port.lock);
        if (port.changing) {
            port.droppedSends.fetch_add(1, std::memory_order_relaxed);
            return 0;
        }
        if (at == kSendAtOnce && port.clock)
            at = port.clock->now();
        if (at < port.lastTime)
            at = port.lastTime;  // never before a message sent earlier
        port.lastTime = at;
        if (port.backend)
            code = port.backend->send(message, at);
        if (code == MidiResult::Ok)
            return 0;
        port.failedSends.fetch_add(1, std::memory_order_relaxed);
        if (port.sendFailureShown.exchange(true))
            return 1;
        words = failureWordsLocked(port, true);
    }
    return reportFailure(port, code, sendErrorText, words);
}

void sendProgramChanges(PlayerState& player)
{
    for (int32_t c = 0; c < 16; ++c)
        sendShortMessage(player, 0xC0 + c, get(player.effectiveTones[c]), 0);
}

void sendNoteOffSweep(PlayerState& player)
{
    for (int32_t c = 0; c < 16; ++c)
        sendShortMessage(player, 0x80 + c, takeNoteOffNote(player, c), 64);
}

void changeDevice(PlayerState& player, const SettingsRecord& working)
{
    MidiPort& port = player.port;
    if (working.midiDeviceId == get(player.deviceId)) {
        reopenFailedPort(player);
        return;
    }
    // Close and reopen as one change, so the playback thread never sends in between.
    int closeCode = MidiResult::InvalidHandle;
    int openCode = MidiResult::InvalidParam;
    FailureWords closeWords, openWords;
    bool wasOpen = false;
    {
        PortChange change(port);
        wasOpen = port.isOpen;
        const bool failed = port.sendFailureShown.load();
        closeCode = closeLocked(port);
        if (failed)
            closeCode = MidiResult::Ok;  // a port that failed may not close cleanly; it is gone either way
        if (closeCode != MidiResult::Ok)
            closeWords = failureWordsLocked(port, false);
        put(player.deviceId, working.midiDeviceId);
        openCode = openLocked(port, working.midiDeviceId, openWords);
    }
    if (wasOpen)
        reportFailure(port, closeCode, closeErrorText, closeWords);
    reportFailure(port, openCode, openErrorText, openWords);
}

int reopenFailedPort(PlayerState& player)
{
    MidiPort& port = player.port;
    int openCode = MidiResult::Ok;
    FailureWords words;
    {
        {
            std::lock_guard<std::mutex> guard(port.lock);
            if (port.isOpen && !port.sendFailureShown.load())
                return 0;
        }
        PortChange change(port);
        closeLocked(port);
        openCode = openLocked(port, get(player.deviceId), words);
    }
    return reportFailure(port, openCode, openErrorText, words);
}
