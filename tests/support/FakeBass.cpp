#include "FakeBass.h"

#include <map>
#include <utility>

namespace FakeBass {

std::function<void(const TCall&)> OnCall;

namespace {

struct TState {
    bool Initialised = false;
    TStreamHandle Stream = 0;
    TStreamProc Proc = nullptr;
    void* User = nullptr;
    bool Playing = false;
    TStreamHandle NextHandle = 0x10001;
    std::int32_t ErrorCode = beOk;
    std::vector<TCall> Calls;
    std::map<TFunction, int> Counts;
    std::map<std::pair<TFunction, int>, std::int32_t> Failures;
};

TState& State() {
    static TState S;
    return S;
}

// Counts the call and returns the scripted error code for it, or beOk.
std::int32_t Scripted(TFunction Function) {
    TState& S = State();
    const int Occurrence = ++S.Counts[Function];
    const auto It = S.Failures.find({Function, Occurrence});
    return It != S.Failures.end() ? It->second : beOk;
}

template <class TResult> TResult Record(TCall Call, TResult Result, std::int32_t Code) {
    TState& S = State();
    S.ErrorCode = Code;
    Call.Result = static_cast<std::int64_t>(Result);
    S.Calls.push_back(Call);
    if (OnCall)
        OnCall(S.Calls.back());
    return Result;
}

BOOL Outcome(TCall Call, std::int32_t Code) {
    return Record<BOOL>(Call, Code == beOk ? 1 : 0, Code);
}

} // namespace

const char* NameOf(TFunction Function) {
    switch (Function) {
    case TFunction::Init:
        return "Init";
    case TFunction::StreamCreate:
        return "StreamCreate";
    case TFunction::ChannelPlay:
        return "ChannelPlay";
    case TFunction::Stop:
        return "Stop";
    case TFunction::Free:
        return "Free";
    case TFunction::ErrorGetCode:
        return "ErrorGetCode";
    }
    return "?";
}

void Reset() {
    State() = TState{};
    OnCall = nullptr;
}

void FailAt(TFunction Function, int Occurrence, std::int32_t Code) {
    State().Failures[{Function, Occurrence}] = Code;
}

const std::vector<TCall>& Calls() {
    return State().Calls;
}

std::vector<TFunction> Sequence() {
    std::vector<TFunction> Result;
    for (const TCall& Call : State().Calls)
        Result.push_back(Call.Function);
    return Result;
}

std::string SequenceText() {
    std::string Text;
    for (const TCall& Call : State().Calls) {
        if (!Text.empty())
            Text += ' ';
        Text += NameOf(Call.Function);
    }
    return Text;
}

bool Initialised() {
    return State().Initialised;
}
bool Playing() {
    return State().Playing;
}
TStreamHandle Stream() {
    return State().Stream;
}

DWORD Pull(void* Buffer, DWORD Length) {
    TState& S = State();
    if (!S.Playing || S.Proc == nullptr)
        return 0;
    return S.Proc(S.Stream, Buffer, Length, S.User);
}

} // namespace FakeBass

using namespace FakeBass;

BOOL BASS_Init(std::int32_t device, DWORD freq, DWORD flags, void* win, const void* dsguid) {
    TCall Call{TFunction::Init};
    Call.Device = device;
    Call.Freq = freq;
    Call.Flags = flags;
    Call.Win = win;
    Call.DeviceGuid = dsguid;
    std::int32_t Code = Scripted(TFunction::Init);
    TState& S = State();
    if (Code == beOk && S.Initialised)
        Code = beAlreadyInitialised;
    if (Code == beOk && (flags != 0 || freq == 0))
        Code = beFormat;
    if (Code == beOk && device != -1)
        Code = beNoSuchDevice;
    if (Code == beOk)
        S.Initialised = true;
    return Outcome(Call, Code);
}

TStreamHandle BASS_StreamCreate(DWORD freq, DWORD chans, DWORD flags, TStreamProc proc, void* user) {
    TCall Call{TFunction::StreamCreate};
    Call.Freq = freq;
    Call.Chans = chans;
    Call.Flags = flags;
    Call.Proc = proc;
    Call.User = user;
    std::int32_t Code = Scripted(TFunction::StreamCreate);
    TState& S = State();
    if (Code == beOk && !S.Initialised)
        Code = beNotInitialised;
    if (Code == beOk && proc == nullptr)
        Code = beNoProcedure;
    if (Code == beOk && (freq == 0 || chans != 2 || flags != 0 || S.Stream != 0))
        Code = beFormat;
    TStreamHandle Handle = 0;
    if (Code == beOk) {
        Handle = S.NextHandle++;
        S.Stream = Handle;
        S.Proc = proc;
        S.User = user;
        S.Playing = false;
    }
    return Record<TStreamHandle>(Call, Handle, Code);
}

BOOL BASS_ChannelPlay(DWORD handle, BOOL restart) {
    TCall Call{TFunction::ChannelPlay};
    Call.Handle = handle;
    Call.Restart = restart;
    std::int32_t Code = Scripted(TFunction::ChannelPlay);
    TState& S = State();
    if (Code == beOk && !S.Initialised)
        Code = beNotInitialised;
    if (Code == beOk && (handle == 0 || handle != S.Stream))
        Code = beNotAStream;
    if (Code == beOk)
        S.Playing = true;
    return Outcome(Call, Code);
}

BOOL BASS_Stop() {
    std::int32_t Code = Scripted(TFunction::Stop);
    TState& S = State();
    if (Code == beOk && !S.Initialised)
        Code = beNotInitialised;
    if (Code == beOk)
        S.Playing = false;
    return Outcome(TCall{TFunction::Stop}, Code);
}

BOOL BASS_Free() {
    std::int32_t Code = Scripted(TFunction::Free);
    TState& S = State();
    if (Code == beOk && !S.Initialised)
        Code = beNotInitialised;
    if (Code == beOk) {
        S.Initialised = false;
        S.Stream = 0;
        S.Proc = nullptr;
        S.User = nullptr;
        S.Playing = false;
    }
    return Outcome(TCall{TFunction::Free}, Code);
}

std::int32_t BASS_ErrorGetCode() {
    TState& S = State();
    const std::int32_t Code = S.ErrorCode;
    // Reading the code is itself a call; it leaves the code in place so a
    // second read says the same.
    Scripted(TFunction::ErrorGetCode);
    TCall Call{TFunction::ErrorGetCode};
    Call.Result = Code;
    S.Calls.push_back(Call);
    if (OnCall)
        OnCall(S.Calls.back());
    return Code;
}
