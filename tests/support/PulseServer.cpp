#include "PulseServer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <pulse/pulseaudio.h>
#include <signal.h>
#include <sstream>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace TestSupport {

namespace {

using TClock = std::chrono::steady_clock;

constexpr auto StartTimeout = std::chrono::seconds(10);
constexpr auto ConnectTimeout = std::chrono::seconds(5);

std::string FindProgram(const std::string& Name) {
    const char* Path = std::getenv("PATH");
    std::stringstream Folders(Path != nullptr ? Path : "/usr/local/bin:/usr/bin:/bin");
    std::string Folder;
    while (std::getline(Folders, Folder, ':')) {
        if (Folder.empty())
            continue;
        const std::string Candidate = Folder + "/" + Name;
        if (::access(Candidate.c_str(), X_OK) == 0)
            return Candidate;
    }
    return {};
}

std::string ReadFile(const std::string& Path) {
    std::ifstream File(Path);
    std::stringstream Text;
    Text << File.rdbuf();
    return Text.str();
}

bool SocketAnswers(const std::string& Path) {
    const int Fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (Fd < 0)
        return false;
    sockaddr_un Address{};
    Address.sun_family = AF_UNIX;
    std::strncpy(Address.sun_path, Path.c_str(), sizeof(Address.sun_path) - 1);
    const bool Connected =
        ::connect(Fd, reinterpret_cast<const sockaddr*>(&Address), sizeof(Address)) == 0;
    ::close(Fd);
    return Connected;
}

// Single quotes for the shell, so that folder names pass through unchanged.
std::string ShellQuote(const std::string& Text) {
    std::string Quoted = "'";
    for (const char C : Text) {
        if (C == '\'')
            Quoted += "'\\''";
        else
            Quoted += C;
    }
    return Quoted + "'";
}

} // namespace

bool PulseAudioInstalled() {
    return !FindProgram("pulseaudio").empty();
}

TPulseServer::TPulseServer(std::string SinkName, unsigned Channels, std::string ExtraSinkArgs)
    : FSinkName(std::move(SinkName)), FChannels(Channels),
      FExtraSinkArgs(std::move(ExtraSinkArgs)) {}

TPulseServer::~TPulseServer() {
    Stop();
}

bool TPulseServer::Start(std::string* Error) {
    std::string Ignored;
    std::string& Message = Error != nullptr ? *Error : Ignored;
    if (Running())
        return true;

    const std::string Program = FindProgram("pulseaudio");
    if (Program.empty()) {
        Message = "pulseaudio is not installed";
        return false;
    }

    // A short fixed prefix keeps the socket path well inside the 108 bytes a
    // Unix socket address can hold, whatever TMPDIR says.
    char Template[] = "/tmp/drvarden-pulse-XXXXXX";
    if (::mkdtemp(Template) == nullptr) {
        Message = std::string("mkdtemp failed: ") + std::strerror(errno);
        return false;
    }
    FFolder = Template;
    const std::string Socket = FFolder + "/native";
    const std::string LogPath = FFolder + "/log";
    FAddress = "unix:" + Socket;

    // The sink is loaded before the protocol module, so a socket that accepts
    // connections already has its sink. Without rewinds the monitor hears
    // every frame: when a stream starts on a sink that has rendered ahead,
    // the sink rewinds, and the monitor then loses the first block of it.
    std::string SinkArgs =
        "--load=module-null-sink sink_name=" + FSinkName +
        " rate=44100 format=s16le norewinds=1 channels=" + std::to_string(FChannels);
    if (!FExtraSinkArgs.empty())
        SinkArgs += " " + FExtraSinkArgs;
    std::vector<std::string> Args = {
        Program,
        "-n",
        "--daemonize=no",
        "--exit-idle-time=-1",
        "--use-pid-file=no",
        "--disable-shm=yes",
        "--realtime=no",
        "--high-priority=no",
        "--no-cpu-limit=yes",
        "--log-target=stderr",
        SinkArgs,
        "--load=module-native-protocol-unix auth-anonymous=1 socket=" + Socket,
    };

    // Everything the child needs is built before fork: between fork and exec
    // only async-signal-safe calls are allowed, and the test process may
    // have other threads.
    std::vector<std::string> Environment;
    for (char** Entry = environ; *Entry != nullptr; ++Entry) {
        const std::string Line = *Entry;
        static const char* const Replaced[] = {
            "HOME=",         "XDG_RUNTIME_DIR=", "PULSE_RUNTIME_PATH=", "PULSE_STATE_PATH=",
            "PULSE_SERVER=", "XDG_CONFIG_HOME="};
        bool Keep = true;
        for (const char* Prefix : Replaced)
            Keep = Keep && Line.rfind(Prefix, 0) != 0;
        if (Keep)
            Environment.push_back(Line);
    }
    for (const char* Name : {"HOME=", "XDG_RUNTIME_DIR=", "PULSE_RUNTIME_PATH=",
                             "PULSE_STATE_PATH=", "XDG_CONFIG_HOME="})
        Environment.push_back(Name + FFolder);
    std::vector<char*> Argv;
    for (std::string& Arg : Args)
        Argv.push_back(Arg.data());
    Argv.push_back(nullptr);
    std::vector<char*> Envp;
    for (std::string& Line : Environment)
        Envp.push_back(Line.data());
    Envp.push_back(nullptr);

    const int Log = ::open(LogPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int Null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (Log < 0 || Null < 0) {
        Message = "cannot open the server's log";
        if (Log >= 0)
            ::close(Log);
        if (Null >= 0)
            ::close(Null);
        Stop();
        return false;
    }
    const pid_t Parent = ::getpid();
    const pid_t Child = ::fork();
    if (Child == 0) {
        // A test process killed by its timeout must not leave a server behind.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != Parent)
            ::_exit(127);
        ::dup2(Null, 0);
        ::dup2(Log, 1);
        ::dup2(Log, 2);
        if (::chdir(Template) != 0)
            ::_exit(127);
        ::execve(Argv[0], Argv.data(), Envp.data());
        ::_exit(127);
    }
    ::close(Log);
    ::close(Null);
    if (Child < 0) {
        Message = std::string("fork failed: ") + std::strerror(errno);
        Stop();
        return false;
    }
    FPid = Child;

    const auto Deadline = TClock::now() + StartTimeout;
    for (;;) {
        int Status = 0;
        if (::waitpid(FPid, &Status, WNOHANG) == FPid) {
            FPid = -1;
            Message = "pulseaudio exited at start:\n" + ReadFile(LogPath);
            Stop();
            return false;
        }
        if (SocketAnswers(Socket))
            break;
        if (TClock::now() > Deadline) {
            Message = "pulseaudio did not open its socket in time:\n" + ReadFile(LogPath);
            Stop();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }

    ::setenv("PULSE_SERVER", FAddress.c_str(), 1);
    ::setenv("SDL_AUDIODRIVER", "pulseaudio", 0);

    std::string Output;
    if (!Pactl("set-default-sink " + ShellQuote(FSinkName), &Output)) {
        Message = "pactl set-default-sink failed: " + Output + "\n" + ReadFile(LogPath);
        Stop();
        return false;
    }
    return true;
}

void TPulseServer::Stop() {
    if (FPid > 0) {
        ::kill(FPid, SIGKILL);
        int Status = 0;
        while (::waitpid(FPid, &Status, 0) < 0 && errno == EINTR) {
        }
        FPid = -1;
    }
    if (!FFolder.empty()) {
        std::error_code Ignored;
        std::filesystem::remove_all(FFolder, Ignored);
        FFolder.clear();
    }
}

void TPulseServer::Freeze() {
    if (FPid > 0)
        ::kill(FPid, SIGSTOP);
}

void TPulseServer::Thaw() {
    if (FPid > 0)
        ::kill(FPid, SIGCONT);
}

bool TPulseServer::Pactl(const std::string& Args, std::string* Out) const {
    if (Out != nullptr)
        Out->clear();
    if (FAddress.empty())
        return false;
    const std::string Command =
        "timeout -k 2 10 pactl --server=" + ShellQuote(FAddress) + " " + Args + " 2>&1";
    FILE* Pipe = ::popen(Command.c_str(), "r");
    if (Pipe == nullptr)
        return false;
    char Buffer[4096];
    std::size_t Count;
    while ((Count = std::fread(Buffer, 1, sizeof(Buffer), Pipe)) > 0) {
        if (Out != nullptr)
            Out->append(Buffer, Count);
    }
    const int Status = ::pclose(Pipe);
    return Status != -1 && WIFEXITED(Status) && WEXITSTATUS(Status) == 0;
}

std::vector<std::uint32_t> TPulseServer::SinkVolumes() const {
    // "Volume: front-left: 24248 /  37% / -25.91 dB,   front-right: ..." is
    // read as the raw number after each "<position>: ".
    std::string Output;
    std::vector<std::uint32_t> Volumes;
    if (!Pactl("get-sink-volume " + ShellQuote(FSinkName), &Output))
        return Volumes;
    const std::string FirstLine = Output.substr(0, Output.find('\n'));
    std::size_t At = FirstLine.find(':');
    while ((At = FirstLine.find(": ", At + 1)) != std::string::npos) {
        At += 2;
        std::size_t Used = 0;
        try {
            Volumes.push_back(static_cast<std::uint32_t>(std::stoul(FirstLine.substr(At), &Used)));
        } catch (const std::exception&) {
            return {};
        }
    }
    return Volumes;
}

bool TPulseServer::SetSinkVolumes(const std::vector<std::uint32_t>& Volumes) const {
    std::string Args = "set-sink-volume " + ShellQuote(FSinkName);
    for (const std::uint32_t Volume : Volumes) {
        Args += ' ';
        Args += std::to_string(Volume);
    }
    return Pactl(Args);
}

// The recording runs on a libpulse threaded main loop; the received bytes
// are guarded by that loop's lock.
struct TPulseCapture::TState {
    pa_threaded_mainloop* Loop = nullptr;
    pa_context* Context = nullptr;
    pa_stream* Stream = nullptr;
    std::vector<std::uint8_t> Bytes;
    std::size_t MaxBytes = 0;

    static void OnRead(pa_stream* Stream, std::size_t, void* User) {
        auto* State = static_cast<TState*>(User);
        const void* Data = nullptr;
        std::size_t Size = 0;
        while (pa_stream_readable_size(Stream) > 0) {
            if (pa_stream_peek(Stream, &Data, &Size) < 0 || Size == 0)
                return;
            // A hole (no data for a stretch) is recorded as silence.
            const std::size_t Room = State->MaxBytes - State->Bytes.size();
            const std::size_t Taken = std::min(Room, Size);
            if (Data != nullptr) {
                const auto* First = static_cast<const std::uint8_t*>(Data);
                State->Bytes.insert(State->Bytes.end(), First, First + Taken);
            } else {
                State->Bytes.insert(State->Bytes.end(), Taken, 0);
            }
            pa_stream_drop(Stream);
        }
    }

    std::size_t Frames() {
        pa_threaded_mainloop_lock(Loop);
        const std::size_t Count = Bytes.size() / 4;
        pa_threaded_mainloop_unlock(Loop);
        return Count;
    }

    void Close() {
        if (Loop == nullptr)
            return;
        pa_threaded_mainloop_lock(Loop);
        if (Stream != nullptr) {
            pa_stream_set_read_callback(Stream, nullptr, nullptr);
            pa_stream_disconnect(Stream);
            pa_stream_unref(Stream);
            Stream = nullptr;
        }
        if (Context != nullptr) {
            pa_context_disconnect(Context);
            pa_context_unref(Context);
            Context = nullptr;
        }
        pa_threaded_mainloop_unlock(Loop);
        pa_threaded_mainloop_stop(Loop);
        pa_threaded_mainloop_free(Loop);
        Loop = nullptr;
    }
};

TPulseCapture::TPulseCapture(const TPulseServer& Server) : FServer(Server) {}

TPulseCapture::~TPulseCapture() {
    if (FState != nullptr)
        FState->Close();
}

bool TPulseCapture::Start(std::string* Error, unsigned MaxSeconds) {
    std::string Ignored;
    std::string& Message = Error != nullptr ? *Error : Ignored;
    if (FState != nullptr)
        FState->Close();
    FState = std::make_unique<TState>();
    TState& State = *FState;
    State.MaxBytes = std::size_t{MaxSeconds} * 44100 * 4;

    State.Loop = pa_threaded_mainloop_new();
    if (State.Loop == nullptr || pa_threaded_mainloop_start(State.Loop) < 0) {
        Message = "cannot start a libpulse main loop";
        return false;
    }

    // Polls the loop's objects under its lock until Ready says yes, Failed
    // says no, or the time is up.
    const auto WaitFor = [&State](auto Ready, auto Failed) {
        const auto Deadline = TClock::now() + ConnectTimeout;
        for (;;) {
            pa_threaded_mainloop_lock(State.Loop);
            const bool IsReady = Ready();
            const bool HasFailed = Failed();
            pa_threaded_mainloop_unlock(State.Loop);
            if (IsReady)
                return true;
            if (HasFailed || TClock::now() > Deadline)
                return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    };

    pa_threaded_mainloop_lock(State.Loop);
    State.Context = pa_context_new(pa_threaded_mainloop_get_api(State.Loop), "drvarden-capture");
    const bool Connecting = State.Context != nullptr &&
                            pa_context_connect(State.Context, FServer.ServerAddress().c_str(),
                                               PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0;
    pa_threaded_mainloop_unlock(State.Loop);
    if (!Connecting ||
        !WaitFor([&] { return pa_context_get_state(State.Context) == PA_CONTEXT_READY; },
                 [&] { return !PA_CONTEXT_IS_GOOD(pa_context_get_state(State.Context)); })) {
        Message = "cannot connect to " + FServer.ServerAddress();
        State.Close();
        return false;
    }

    const pa_sample_spec Spec{PA_SAMPLE_S16LE, 44100, 2};
    // Small fragments, so that what has been played arrives soon after.
    pa_buffer_attr Buffer{};
    Buffer.maxlength = static_cast<std::uint32_t>(-1);
    Buffer.fragsize = 441 * 4;
    const std::string Monitor = FServer.MonitorName();
    pa_threaded_mainloop_lock(State.Loop);
    State.Stream = pa_stream_new(State.Context, "capture", &Spec, nullptr);
    bool Recording = State.Stream != nullptr;
    if (Recording) {
        pa_stream_set_read_callback(State.Stream, &TState::OnRead, &State);
        Recording =
            pa_stream_connect_record(State.Stream, Monitor.c_str(), &Buffer,
                                     static_cast<pa_stream_flags_t>(PA_STREAM_ADJUST_LATENCY |
                                                                    PA_STREAM_DONT_MOVE)) >= 0;
    }
    pa_threaded_mainloop_unlock(State.Loop);
    if (!Recording ||
        !WaitFor([&] { return pa_stream_get_state(State.Stream) == PA_STREAM_READY; },
                 [&] { return !PA_STREAM_IS_GOOD(pa_stream_get_state(State.Stream)); })) {
        Message = "cannot record " + Monitor;
        State.Close();
        return false;
    }
    return true;
}

bool TPulseCapture::WaitForFrames(std::size_t Frames, std::chrono::milliseconds Timeout) {
    if (FState == nullptr || FState->Loop == nullptr)
        return false;
    const auto Deadline = TClock::now() + Timeout;
    while (FState->Frames() < Frames) {
        if (TClock::now() > Deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::vector<std::int16_t> TPulseCapture::Stop() {
    std::vector<std::int16_t> Samples;
    if (FState == nullptr)
        return Samples;
    FState->Close();
    const std::vector<std::uint8_t>& Bytes = FState->Bytes;
    Samples.resize(Bytes.size() / 4 * 2);
    for (std::size_t I = 0; I < Samples.size(); ++I)
        Samples[I] = static_cast<std::int16_t>(Bytes[2 * I] | (Bytes[2 * I + 1] << 8));
    FState.reset();
    return Samples;
}

} // namespace TestSupport
