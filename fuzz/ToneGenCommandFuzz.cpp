// Fuzz target: the tonegen command's options, run in this process as a shell
// would run the command. The input is the argument list, each argument ended
// by a NUL byte (a last one without its NUL counts too).
//
// Nothing may sound and nothing may be written outside a private folder: the
// null device volume and sound player are linked, --play and --loop are
// dropped (a loop would wait for Ctrl+C), and the file of every --export is
// replaced by one in the folder, which is emptied after each run. The command
// must end with status 0, 1 or 2, and a file it exported must be an image the
// system sound player accepts.
#include "ToneGenCommand.h"
#include "WaveImageCheck.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path Folder;
std::string ExportName;

void RemoveFolder() {
    std::error_code Ignored;
    fs::remove_all(Folder, Ignored);
}

// The option an argument names, as the command reads it: "--name=value" is
// the option "--name".
std::string OptionName(const std::string& Argument) {
    const auto Eq = Argument.find('=');
    if (Argument.rfind("--", 0) == 0 && Eq != std::string::npos)
        return Argument.substr(0, Eq);
    return Argument;
}

// The arguments with every play dropped and every exported file in Folder.
// An argument that follows "--export" is the file's name, or is read as an
// option (and then the command refuses the name of the folder's file as an
// unknown option), so it is replaced whatever it says.
std::vector<std::string> Harmless(std::vector<std::string> Arguments) {
    std::vector<std::string> Out;
    for (std::size_t K = 0; K < Arguments.size(); ++K) {
        const std::string Name = OptionName(Arguments[K]);
        if (Name == "--play" || Name == "--loop")
            continue;
        if (Name == "--export") {
            if (Arguments[K].size() > Name.size()) {
                Out.push_back("--export=" + ExportName);
            } else {
                Out.push_back(Arguments[K]);
                if (K + 1 < Arguments.size()) {
                    Out.push_back(ExportName);
                    ++K;
                }
            }
            continue;
        }
        Out.push_back(Arguments[K]);
    }
    return Out;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string Template = (fs::temp_directory_path() / "fuzz-tonegen-XXXXXX").string();
    if (mkdtemp(Template.data()) == nullptr) {
        std::perror("fuzz_tonegen_command: mkdtemp");
        std::abort();
    }
    Folder = Template;
    ExportName = (Folder / "tone.wav").string();
    std::atexit(RemoveFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    std::vector<std::string> Arguments;
    std::size_t Start = 0;
    for (std::size_t K = 0; K < Size; ++K)
        if (Data[K] == 0) {
            Arguments.emplace_back(reinterpret_cast<const char*>(Data) + Start, K - Start);
            Start = K + 1;
        }
    if (Start < Size)
        Arguments.emplace_back(reinterpret_cast<const char*>(Data) + Start, Size - Start);

    std::vector<std::string> Args = Harmless(std::move(Arguments));
    Args.insert(Args.begin(), "tonegen");
    std::vector<char*> Argv;
    for (std::string& A : Args)
        Argv.push_back(A.data());
    Argv.push_back(nullptr);

    const int Status = RunToneGen(static_cast<int>(Args.size()), Argv.data(), nullptr);
    std::fflush(stdout);
    if (Status < 0 || Status > 2) {
        std::fprintf(stderr, "tonegen command: exit status %d\n", Status);
        std::abort();
    }
    std::error_code Ignored;
    if (Status == 0 && fs::exists(ExportName, Ignored)) {
        std::ifstream In(ExportName, std::ios::binary);
        const std::vector<char> Image{std::istreambuf_iterator<char>(In),
                                      std::istreambuf_iterator<char>()};
        if (!MMSystem::CheckWaveImage(Image.data(), Image.size())) {
            std::fprintf(stderr, "tonegen command: the exported image is refused by the player\n");
            std::abort();
        }
    }
    for (const auto& Entry : fs::directory_iterator(Folder, Ignored))
        fs::remove_all(Entry.path(), Ignored);
    return 0;
}
