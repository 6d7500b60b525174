// How much of one core the whole program takes while a step sounds: the
// three windows, the real sound library on SDL2 and a private PulseAudio
// server with a null sink, the BX program started as by its button, and the
// process's CPU time (all its threads) measured over ten seconds of the first
// step. The server runs in its own process and is not counted.
//
// Usage: bench_program_cpu [seconds]   (QT_QPA_PLATFORM defaults to offscreen)
#include "Application.h"
#include "PulseServer.h"
#include "Unit3.h"
#include "VardenFree.h"
#include "info.h"

#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>

namespace {

double ProcessCpuSeconds() {
    rusage Usage{};
    getrusage(RUSAGE_SELF, &Usage);
    auto Seconds = [](const timeval& T) { return double(T.tv_sec) + double(T.tv_usec) / 1e6; };
    return Seconds(Usage.ru_utime) + Seconds(Usage.ru_stime);
}

} // namespace

int main(int argc, char* argv[]) {
    const int Seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    setenv("QT_QPA_PLATFORM", "offscreen", 0);

    TestSupport::TPulseServer Server;
    std::string Error;
    if (!Server.Start(&Error)) {
        std::fprintf(stderr, "bench_program_cpu: no private sound server: %s\n", Error.c_str());
        return 1;
    }

    TApplication App(argc, argv);
    Application->Initialize();
    Application->CreateForm(Form1);
    Application->CreateForm(Form2);
    Application->CreateForm(Form3);

    double CpuAtStart = 0;
    auto WallAtStart = std::chrono::steady_clock::now();
    // Everything below runs inside the dialog's modal loop of step 1; the
    // first second lets the stream settle.
    QTimer::singleShot(1000, [&] {
        CpuAtStart = ProcessCpuSeconds();
        WallAtStart = std::chrono::steady_clock::now();
    });
    QTimer::singleShot(1000 + 1000 * Seconds, [&] {
        const double Cpu = ProcessCpuSeconds() - CpuAtStart;
        const double Wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - WallAtStart).count();
        std::printf("while a step sounds (%s, %d s): %.3f s CPU in %.3f s = %.2f %% of one core\n",
                    Form1->Label8->Caption().c_str(), Seconds, Cpu, Wall, 100.0 * Cpu / Wall);
        Application->Terminate();
    });
    QTimer::singleShot(0, [] { Form1->Button5->Click(); });
    Application->Run();
    return 0;
}
