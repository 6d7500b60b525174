// ExportFile against the file system and against a WAV reader we did not
// write (sox).
#include "FakeVolume.h"
#include "ToneGen.h"
#include "WaveBytes.h"
#include "WaveImage.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <grp.h>
#include <gtest/gtest.h>
#include <iterator>
#include <ostream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::vector<std::uint8_t> ReadFile(const fs::path& Path) {
    std::ifstream In(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>()};
}

void WriteFile(const fs::path& Path, const std::string& Text) {
    std::ofstream(Path, std::ios::binary) << Text;
}

std::vector<std::uint8_t> ImageOf(const TToneGen& Gen) {
    return {Gen.GetDataBuffer(), Gen.GetDataBuffer() + Gen.WaveImageSize()};
}

// The first line a shell command prints.
std::string FirstLineOf(const std::string& Command) {
    std::string Output;
    if (FILE* Pipe = popen((Command + " 2>/dev/null").c_str(), "r")) {
        char Line[256];
        if (std::fgets(Line, sizeof Line, Pipe) != nullptr)
            Output = Line;
        pclose(Pipe);
    }
    while (!Output.empty() && (Output.back() == '\n' || Output.back() == '\r'))
        Output.pop_back();
    return Output;
}

std::vector<std::string> Entries(const fs::path& Folder) {
    std::vector<std::string> Names;
    for (const auto& Entry : fs::directory_iterator(Folder))
        Names.push_back(Entry.path().filename().string());
    std::sort(Names.begin(), Names.end());
    return Names;
}

class ExportTest : public testing::Test {
protected:
    void SetUp() override {
        FakeVolume = TFakeVolumeDevice{};
        std::string Template = (fs::temp_directory_path() / "tonegen-export-XXXXXX").string();
        ASSERT_NE(mkdtemp(Template.data()), nullptr);
        Folder = Template;
    }
    void TearDown() override { fs::remove_all(Folder); }

    fs::path Folder;
};

TEST_F(ExportTest, WithoutAnImageNothingIsWritten) {
    TToneGen Gen(nullptr);
    EXPECT_EQ(Gen.GetDataBuffer(), nullptr);
    EXPECT_FALSE(Gen.ExportFile((Folder / "tone.wav").string()));
    EXPECT_TRUE(Entries(Folder).empty());
}

struct TFormatRow {
    const char* Name;
    TTGResolution Resolution;
    TTGQuality Quality;
    bool Stereo;
    std::int16_t Duration;
    const char* Rate;
    const char* Channels;
    const char* Bits;
    const char* Encoding;
};

void PrintTo(const TFormatRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

const TFormatRow FormatRows[] = {
    {"HiQ16Mono", tg16Bit, tgHiQ, false, 100, "96000", "1", "16", "Signed Integer PCM"},
    {"HiQ16Stereo", tg16Bit, tgHiQ, true, 100, "96000", "2", "16", "Signed Integer PCM"},
    {"HiQ8Mono", tg8Bit, tgHiQ, false, 100, "96000", "1", "8", "Unsigned Integer PCM"},
    {"HiQ8Stereo", tg8Bit, tgHiQ, true, 100, "96000", "2", "8", "Unsigned Integer PCM"},
    {"LoQ16Mono", tg16Bit, tgLoQ, false, 100, "44100", "1", "16", "Signed Integer PCM"},
    {"LoQ16Stereo", tg16Bit, tgLoQ, true, 100, "44100", "2", "16", "Signed Integer PCM"},
    {"LoQ8Mono", tg8Bit, tgLoQ, false, 10, "44100", "1", "8", "Unsigned Integer PCM"},
    {"LoQ8Stereo", tg8Bit, tgLoQ, true, 100, "44100", "2", "8", "Unsigned Integer PCM"},
    {"LoQ16MonoOddSize", tg16Bit, tgLoQ, false, 15, "44100", "1", "16", "Signed Integer PCM"},
};

class ExportFormatTest : public ExportTest, public testing::WithParamInterface<TFormatRow> {};

TEST_P(ExportFormatTest, SoxReadsWhatTheImageDeclares) {
    const TFormatRow& R = GetParam();
    TToneGen Gen(nullptr);
    Gen.SetResolution(R.Resolution);
    Gen.SetQuality(R.Quality);
    Gen.SetStereo(R.Stereo);
    Gen.SetDuration(R.Duration);
    Gen.SetWaveform(tgTriangle);
    Gen.SetAMParameter(tgAMLevel2, 30, 2.0f, tgNoise);
    ASSERT_TRUE(Gen.Prepare());
    const fs::path File = Folder / "tone.wav";
    ASSERT_TRUE(Gen.ExportFile(File.string()));

    // The file is the image, spare bytes included.
    const std::vector<std::uint8_t> Image = ImageOf(Gen);
    EXPECT_EQ(ReadFile(File), Image);
    EXPECT_EQ(Entries(Folder), std::vector<std::string>{"tone.wav"});

    const std::string Name = "'" + File.string() + "'";
    EXPECT_EQ(FirstLineOf("soxi -t " + Name), "wav");
    EXPECT_EQ(FirstLineOf("soxi -r " + Name), R.Rate);
    EXPECT_EQ(FirstLineOf("soxi -c " + Name), R.Channels);
    EXPECT_EQ(FirstLineOf("soxi -b " + Name), R.Bits);
    EXPECT_EQ(FirstLineOf("soxi -e " + Name), R.Encoding);
    const std::uint32_t D = ReadWaveHeaderFields(Image.data()).DataSize;
    const std::uint32_t Align = ReadWaveHeaderFields(Image.data()).BlockAlign;
    EXPECT_EQ(FirstLineOf("soxi -s " + Name), std::to_string(D / Align));

    // Decoded by sox, the samples are the image's data, up to the last whole
    // frame, and nothing after it.
    const fs::path Raw = Folder / "tone.raw";
    ASSERT_EQ(std::system(("sox " + Name + " -t raw '" + Raw.string() + "' 2>/dev/null").c_str()),
              0);
    const std::vector<std::uint8_t> Decoded = ReadFile(Raw);
    ASSERT_EQ(Decoded.size(), D / Align * Align);
    EXPECT_TRUE(std::equal(Decoded.begin(), Decoded.end(), Image.begin() + WaveHeaderSize));
}

INSTANTIATE_TEST_SUITE_P(Formats, ExportFormatTest, testing::ValuesIn(FormatRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// The default tone (440 Hz, 100 ms, 16-bit, 96000 Hz, mono), field by field.
TEST_F(ExportTest, TheDefaultToneFile) {
    TToneGen Gen(nullptr);
    ASSERT_TRUE(Gen.Prepare());
    const fs::path File = Folder / "tone.wav";
    ASSERT_TRUE(Gen.ExportFile(File.string()));
    const std::vector<std::uint8_t> Bytes = ReadFile(File);
    ASSERT_EQ(Bytes.size(), 19276u);
    // RIFF size, channels, rate, bytes per second, block alignment, bits,
    // data size.
    ExpectWaveHeader(Bytes.data(), {19236, 1, 96000, 192000, 2, 16, 19200});
    EXPECT_TRUE(std::all_of(Bytes.end() - 32, Bytes.end(), [](std::uint8_t B) { return B == 0; }));
    // The sine is there: not all of the data is silence.
    EXPECT_FALSE(
        std::all_of(Bytes.begin() + 44, Bytes.end() - 32, [](std::uint8_t B) { return B == 0; }));
}

TEST_F(ExportTest, ReplacesAnExistingFileAndKeepsItsPermissions) {
    const fs::path File = Folder / "tone.wav";
    WriteFile(File, std::string(100000, 'x'));
    fs::permissions(File, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    TToneGen Gen(nullptr);
    ASSERT_TRUE(Gen.Prepare());
    EXPECT_TRUE(Gen.ExportFile(File.string()));
    EXPECT_EQ(ReadFile(File), ImageOf(Gen));
    EXPECT_EQ(fs::status(File).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    EXPECT_EQ(Entries(Folder), std::vector<std::string>{"tone.wav"});
}

TEST_F(ExportTest, WritesTheLastRenderedToneNotTheCurrentSettings) {
    TToneGen Gen(nullptr);
    ASSERT_TRUE(Gen.Prepare());
    const std::vector<std::uint8_t> Rendered = ImageOf(Gen);
    Gen.SetFrequency(1000);
    Gen.SetDuration(500);
    ASSERT_TRUE(Gen.ExportFile((Folder / "tone.wav").string()));
    EXPECT_EQ(ReadFile(Folder / "tone.wav"), Rendered);
}

TEST_F(ExportTest, FollowsASymbolicLinkAndKeepsIt) {
    const fs::path Target = Folder / "target.wav";
    const fs::path Link = Folder / "link.wav";
    WriteFile(Target, "old");
    fs::create_symlink("target.wav", Link);
    TToneGen Gen(nullptr);
    ASSERT_TRUE(Gen.Prepare());
    ASSERT_TRUE(Gen.ExportFile(Link.string()));
    EXPECT_TRUE(fs::is_symlink(Link));
    EXPECT_EQ(ReadFile(Target), ImageOf(Gen));
}

struct TUnwritableRow {
    const char* Name;
    std::string (*Target)(const fs::path& Folder);
};

void PrintTo(const TUnwritableRow& Row, std::ostream* Out) {
    *Out << Row.Name;
}

const TUnwritableRow UnwritableRows[] = {
    {"MissingFolder", [](const fs::path& F) { return (F / "missing" / "tone.wav").string(); }},
    {"ADirectory",
     [](const fs::path& F) {
         fs::create_directory(F / "folder");
         return (F / "folder").string();
     }},
    {"EmptyName", [](const fs::path&) { return std::string(); }},
    // A device on which every write fails for want of space.
    {"FullDevice", [](const fs::path&) { return std::string("/dev/full"); }},
};

class UnwritableTest : public ExportTest, public testing::WithParamInterface<TUnwritableRow> {};

TEST_P(UnwritableTest, FailsAndLeavesNothingBehind) {
    const std::string Target = GetParam().Target(Folder);
    const std::vector<std::string> Before = Entries(Folder);
    TToneGen Gen(nullptr);
    ASSERT_TRUE(Gen.Prepare());
    EXPECT_FALSE(Gen.ExportFile(Target));
    EXPECT_EQ(Entries(Folder), Before);
    if (GetParam().Target == UnwritableRows[1].Target) {
        EXPECT_TRUE(fs::is_directory(Target));
    }
}

INSTANTIATE_TEST_SUITE_P(Targets, UnwritableTest, testing::ValuesIn(UnwritableRows),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// Runs Act as an ordinary user: directly when the test is not run by root,
// else in a child process that takes the uid and gid 65534 (nobody), for whom
// file permissions apply. The result is Act's, or false when the child could
// not run it.
bool AsOrdinaryUser(const std::function<bool()>& Act) {
    if (geteuid() != 0)
        return Act();
    const pid_t Child = fork();
    if (Child < 0)
        return false;
    if (Child == 0) {
        const bool Dropped = setgroups(0, nullptr) == 0 && setgid(65534) == 0 && setuid(65534) == 0;
        _exit(Dropped ? (Act() ? 0 : 1) : 2);
    }
    int Status = 0;
    if (waitpid(Child, &Status, 0) != Child || !WIFEXITED(Status))
        return false;
    EXPECT_NE(WEXITSTATUS(Status), 2) << "could not become uid 65534";
    return WEXITSTATUS(Status) == 0;
}

// Renaming over a file needs only the folder's permission, so the export
// must itself refuse a file that its user may not write.
TEST_F(ExportTest, AWriteProtectedFileIsRefusedAndKept) {
    const fs::path Locked = Folder / "locked.wav";
    const fs::path Open = Folder / "open.wav";
    WriteFile(Locked, "locked");
    WriteFile(Open, "open");
    fs::permissions(Locked, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    if (geteuid() == 0) {
        // The folder and files belong to the user the check runs as, so only
        // the file's own permission bits stand in the way.
        for (const fs::path& Path : {Folder, Locked, Open})
            ASSERT_EQ(chown(Path.c_str(), 65534, 65534), 0) << Path;
    }
    TToneGen Gen(nullptr);
    ASSERT_TRUE(Gen.Prepare());

    EXPECT_FALSE(AsOrdinaryUser([&] { return Gen.ExportFile(Locked.string()) != 0; }));
    const std::vector<std::uint8_t> Kept = ReadFile(Locked);
    EXPECT_EQ(std::string(Kept.begin(), Kept.end()), "locked");
    EXPECT_EQ(fs::status(Locked).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    // The same user may replace a file it can write, in the same folder.
    EXPECT_TRUE(AsOrdinaryUser([&] { return Gen.ExportFile(Open.string()) != 0; }));
    EXPECT_EQ(ReadFile(Open), ImageOf(Gen));
    EXPECT_EQ(Entries(Folder), (std::vector<std::string>{"locked.wav", "open.wav"}));
}

TEST_F(ExportTest, AFailedWriteLeavesTheOldFileAsItWas) {
    const fs::path File = Folder / "tone.wav";
    const std::string Old(5000, 'o');
    WriteFile(File, Old);
    TToneGen Gen(nullptr);
    ASSERT_TRUE(Gen.Prepare()); // 19276 bytes

    // Files of this process may not grow past 8000 bytes, so the write of the
    // new image fails part-way (with EFBIG rather than the signal).
    rlimit Saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &Saved), 0);
    const auto PreviousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit Small = Saved;
    Small.rlim_cur = 8000;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &Small), 0);
    const TLongBool Result = Gen.ExportFile(File.string());
    setrlimit(RLIMIT_FSIZE, &Saved);
    std::signal(SIGXFSZ, PreviousHandler);

    EXPECT_FALSE(Result);
    const std::vector<std::uint8_t> Now = ReadFile(File);
    EXPECT_EQ(std::string(Now.begin(), Now.end()), Old);
    EXPECT_EQ(Entries(Folder), std::vector<std::string>{"tone.wav"});
}

} // namespace
