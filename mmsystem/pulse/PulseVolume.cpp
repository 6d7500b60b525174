// The device-volume calls on libpulse: device 0 is the default sink of the
// sound server (PulseAudio, or PipeWire through its PulseAudio interface).
//
// Each call opens its own short connection, so a server that was restarted
// or replaced between two calls is simply found again, and a missing or
// stuck server costs one bounded wait instead of a hang. A server is never
// started on the caller's behalf.
#include "PulseVolume.h"

#include "MMSystem.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <pulse/pulseaudio.h>
#include <string>

namespace {

using TClock = std::chrono::steady_clock;

// Long enough for a busy local server, short enough that a program started
// without one is not held up noticeably.
constexpr auto CallTimeout = std::chrono::milliseconds(1500);

struct TSink {
    // Tells one server instance from another, so that a volume read from
    // one is never mistaken for the same sink's on a restarted server.
    std::uint32_t ServerCookie = 0;
    std::string Name;
    std::string Description;
    pa_cvolume Volume{};
    pa_channel_map Map{};
};

// One connection to the server for the length of one call.
class TSession {
public:
    TSession() : FDeadline(TClock::now() + CallTimeout) {}
    ~TSession() {
        if (FContext != nullptr) {
            pa_context_disconnect(FContext);
            pa_context_unref(FContext);
        }
        if (FLoop != nullptr)
            pa_mainloop_free(FLoop);
    }
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;

    bool Connect() {
        FLoop = pa_mainloop_new();
        if (FLoop == nullptr)
            return false;
        FContext = pa_context_new(pa_mainloop_get_api(FLoop), "DrVardenFree device volume");
        if (FContext == nullptr)
            return false;
        if (pa_context_connect(FContext, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0)
            return false;
        const bool Settled = RunUntil([this] {
            const pa_context_state_t State = pa_context_get_state(FContext);
            return State == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(State);
        });
        return Settled && pa_context_get_state(FContext) == PA_CONTEXT_READY;
    }

    bool ReadDefaultSink(TSink* Sink) {
        struct TQuery {
            bool Done = false;
            bool Found = false;
            TSink* Sink;
        } Query{false, false, Sink};

        pa_operation* Info = pa_context_get_server_info(
            FContext,
            [](pa_context*, const pa_server_info* Server, void* User) {
                auto* Q = static_cast<TQuery*>(User);
                if (Server != nullptr && Server->default_sink_name != nullptr) {
                    Q->Sink->Name = Server->default_sink_name;
                    Q->Sink->ServerCookie = Server->cookie;
                    Q->Found = true;
                }
                Q->Done = true;
            },
            &Query);
        if (!Finish(Info) || !Query.Found || Sink->Name.empty())
            return false;

        Query = TQuery{false, false, Sink};
        pa_operation* Details = pa_context_get_sink_info_by_name(
            FContext, Sink->Name.c_str(),
            [](pa_context*, const pa_sink_info* Info, int End, void* User) {
                auto* Q = static_cast<TQuery*>(User);
                if (End == 0 && Info != nullptr) {
                    Q->Sink->Description = Info->description != nullptr ? Info->description : "";
                    Q->Sink->Volume = Info->volume;
                    Q->Sink->Map = Info->channel_map;
                    Q->Found = true;
                }
            },
            &Query);
        return Finish(Details) && Query.Found && pa_cvolume_valid(&Sink->Volume) &&
               pa_channel_map_valid(&Sink->Map) && Sink->Volume.channels == Sink->Map.channels;
    }

    bool SetSinkVolume(const std::string& Name, const pa_cvolume& Volume) {
        int Success = 0;
        pa_operation* Set = pa_context_set_sink_volume_by_name(
            FContext, Name.c_str(), &Volume,
            [](pa_context*, int Ok, void* User) { *static_cast<int*>(User) = Ok; }, &Success);
        return Finish(Set) && Success != 0;
    }

private:
    // Runs the loop until Done, the connection fails, or the call's time is
    // up; true only for Done.
    template <class TDone> bool RunUntil(TDone Done) {
        while (!Done()) {
            const auto Left =
                std::chrono::duration_cast<std::chrono::microseconds>(FDeadline - TClock::now());
            if (Left.count() <= 0)
                return false;
            if (pa_mainloop_prepare(FLoop, static_cast<int>(Left.count())) < 0 ||
                pa_mainloop_poll(FLoop) < 0 || pa_mainloop_dispatch(FLoop) < 0)
                return false;
        }
        return true;
    }

    // Waits for an operation; a lost connection cancels it, which ends the
    // wait too.
    bool Finish(pa_operation* Operation) {
        if (Operation == nullptr)
            return false;
        const bool Done = RunUntil(
            [Operation] { return pa_operation_get_state(Operation) != PA_OPERATION_RUNNING; });
        const bool Completed = Done && pa_operation_get_state(Operation) == PA_OPERATION_DONE;
        if (!Completed)
            pa_operation_cancel(Operation);
        pa_operation_unref(Operation);
        return Completed;
    }

    TClock::time_point FDeadline;
    pa_mainloop* FLoop = nullptr;
    pa_context* FContext = nullptr;
};

bool IsLeft(pa_channel_position_t Position) {
    switch (Position) {
    case PA_CHANNEL_POSITION_FRONT_LEFT:
    case PA_CHANNEL_POSITION_REAR_LEFT:
    case PA_CHANNEL_POSITION_FRONT_LEFT_OF_CENTER:
    case PA_CHANNEL_POSITION_SIDE_LEFT:
    case PA_CHANNEL_POSITION_TOP_FRONT_LEFT:
    case PA_CHANNEL_POSITION_TOP_REAR_LEFT:
        return true;
    default:
        return false;
    }
}

bool IsRight(pa_channel_position_t Position) {
    switch (Position) {
    case PA_CHANNEL_POSITION_FRONT_RIGHT:
    case PA_CHANNEL_POSITION_REAR_RIGHT:
    case PA_CHANNEL_POSITION_FRONT_RIGHT_OF_CENTER:
    case PA_CHANNEL_POSITION_SIDE_RIGHT:
    case PA_CHANNEL_POSITION_TOP_FRONT_RIGHT:
    case PA_CHANNEL_POSITION_TOP_REAR_RIGHT:
        return true;
    default:
        return false;
    }
}

// A sink has separate left and right volume when its channel map has at
// least one channel on each side; a mono sink, or one of unpositioned
// channels, has a single level.
bool HasLeftAndRight(const pa_channel_map& Map) {
    bool Left = false;
    bool Right = false;
    for (unsigned I = 0; I < Map.channels; ++I) {
        Left = Left || IsLeft(Map.map[I]);
        Right = Right || IsRight(Map.map[I]);
    }
    return Left && Right;
}

// 0xFFFF is the sink's 100 %; louder settings read as full.
std::uint32_t LevelOf(pa_volume_t Volume) {
    if (Volume >= PA_VOLUME_NORM)
        return 0xFFFF;
    return static_cast<std::uint32_t>((std::uint64_t{Volume} * 0xFFFF + PA_VOLUME_NORM / 2) /
                                      PA_VOLUME_NORM);
}

pa_volume_t VolumeOf(std::uint32_t Level) {
    return static_cast<pa_volume_t>((std::uint64_t{Level & 0xFFFF} * PA_VOLUME_NORM + 0x7FFF) /
                                    0xFFFF);
}

std::uint32_t ValueOf(const TSink& Sink) {
    if (!HasLeftAndRight(Sink.Map))
        return LevelOf(pa_cvolume_max(&Sink.Volume));
    // Several channels on one side (front and rear, say) read as the loudest
    // of them.
    pa_volume_t Left = PA_VOLUME_MUTED;
    pa_volume_t Right = PA_VOLUME_MUTED;
    for (unsigned I = 0; I < Sink.Map.channels; ++I) {
        if (IsLeft(Sink.Map.map[I]))
            Left = std::max(Left, Sink.Volume.values[I]);
        else if (IsRight(Sink.Map.map[I]))
            Right = std::max(Right, Sink.Volume.values[I]);
    }
    return LevelOf(Left) | LevelOf(Right) << 16;
}

// The 16-bit level that Value asks for channel I of the sink. Channels in the
// middle (centre, bass) carry both sides, at the mean of the two levels.
std::uint32_t LevelFor(const pa_channel_map& Map, unsigned I, std::uint32_t Value) {
    if (!HasLeftAndRight(Map))
        return Value & 0xFFFF;
    const std::uint32_t Left = Value & 0xFFFF;
    const std::uint32_t Right = Value >> 16;
    return IsLeft(Map.map[I]) ? Left : IsRight(Map.map[I]) ? Right : (Left + Right) / 2;
}

pa_cvolume VolumeFor(const TSink& Sink, std::uint32_t Value) {
    pa_cvolume Volume{};
    Volume.channels = Sink.Map.channels;
    for (unsigned I = 0; I < Sink.Map.channels; ++I)
        Volume.values[I] = VolumeOf(LevelFor(Sink.Map, I, Value));
    return Volume;
}

// The volume as last read, kept so that setting the value that read gave
// puts back the sink's volume exactly, channel by channel and above 100 %
// included, rather than the rounded copy the 16-bit levels can describe.
struct TLastRead {
    bool Valid = false;
    std::uint32_t Value = 0;
    TSink Sink;
};

std::mutex LastReadLock;
TLastRead LastRead;

bool SameSink(const TSink& A, const TSink& B) {
    return A.ServerCookie == B.ServerCookie && A.Name == B.Name &&
           pa_channel_map_equal(&A.Map, &B.Map) != 0;
}

std::atomic<bool> Enabled{true};

} // namespace

void SetDeviceVolumeEnabled(bool Value) {
    Enabled = Value;
}

MMRESULT waveOutGetDevCapsA(UINT_PTR uDeviceID, WAVEOUTCAPSA* pwoc, std::uint32_t cbwoc) {
    if (!Enabled)
        return MMSYSERR_ERROR;
    if (uDeviceID != 0)
        return MMSYSERR_BADDEVICEID;
    if (pwoc == nullptr || cbwoc < sizeof(WAVEOUTCAPSA))
        return MMSYSERR_INVALPARAM;
    TSession Session;
    TSink Sink;
    if (!Session.Connect() || !Session.ReadDefaultSink(&Sink))
        return MMSYSERR_ERROR;

    WAVEOUTCAPSA Caps{};
    const std::string& Name = Sink.Description.empty() ? Sink.Name : Sink.Description;
    // Cut to the record's 31 characters without splitting a UTF-8 sequence.
    std::size_t Length = std::min(Name.size(), sizeof(Caps.szPname) - 1);
    while (Length > 0 && Length < Name.size() &&
           (static_cast<unsigned char>(Name[Length]) & 0xC0) == 0x80)
        --Length;
    std::memcpy(Caps.szPname, Name.data(), Length);
    const bool Stereo = HasLeftAndRight(Sink.Map);
    Caps.wChannels = Stereo ? 2 : 1;
    Caps.dwSupport = WAVECAPS_VOLUME | (Stereo ? std::uint32_t{WAVECAPS_LRVOLUME} : 0u);
    *pwoc = Caps;
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutGetVolume(UINT_PTR uDeviceID, std::uint32_t* pdwVolume) {
    if (!Enabled)
        return MMSYSERR_ERROR;
    if (uDeviceID != 0)
        return MMSYSERR_BADDEVICEID;
    if (pdwVolume == nullptr)
        return MMSYSERR_INVALPARAM;
    TSession Session;
    TSink Sink;
    if (!Session.Connect() || !Session.ReadDefaultSink(&Sink))
        return MMSYSERR_ERROR;

    const std::uint32_t Value = ValueOf(Sink);
    {
        const std::lock_guard<std::mutex> Guard(LastReadLock);
        LastRead.Valid = true;
        LastRead.Value = Value;
        LastRead.Sink = Sink;
    }
    *pdwVolume = Value;
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutSetVolume(UINT_PTR uDeviceID, std::uint32_t dwVolume) {
    if (!Enabled)
        return MMSYSERR_ERROR;
    if (uDeviceID != 0)
        return MMSYSERR_BADDEVICEID;
    TSession Session;
    TSink Sink;
    if (!Session.Connect() || !Session.ReadDefaultSink(&Sink))
        return MMSYSERR_ERROR;

    pa_cvolume Volume = VolumeFor(Sink, dwVolume);
    {
        const std::lock_guard<std::mutex> Guard(LastReadLock);
        // A single-level sink uses the low half only, whatever the high half
        // holds (a caller may have copied the level into both).
        const std::uint32_t Mask = HasLeftAndRight(Sink.Map) ? 0xFFFFFFFF : 0xFFFF;
        const bool Matches = LastRead.Valid && SameSink(LastRead.Sink, Sink) &&
                             (dwVolume & Mask) == (LastRead.Value & Mask);
        // Full volume on a side that already reads as full (at or above
        // 100 %) leaves that side as it is, as the read side would have it:
        // setting the value a sink reads as changes nothing, so asking for
        // full volume never cuts a louder setting down to 100 %. Every other
        // channel takes the exact copy when the value is the one last read,
        // and the level the value describes otherwise.
        const std::uint32_t Now = ValueOf(Sink);
        for (unsigned I = 0; I < Sink.Map.channels; ++I) {
            if (LevelFor(Sink.Map, I, dwVolume) == 0xFFFF && LevelFor(Sink.Map, I, Now) == 0xFFFF)
                Volume.values[I] = Sink.Volume.values[I];
            else if (Matches)
                Volume.values[I] = LastRead.Sink.Volume.values[I];
        }
    }
    return Session.SetSinkVolume(Sink.Name, Volume) ? MMSYSERR_NOERROR : MMSYSERR_ERROR;
}
