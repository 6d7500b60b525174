#include "ToneGen.h"

#include "Envelope.h"
#include "FileExport.h"
#include "MMSystem.h"
#include "MessageBox.h"
#include "NoteNames.h"
#include "RandomGenerator.h"
#include "ToneRender.h"
#include "WaveImage.h"

#include <cstring>
#include <new>
#include <string>

namespace {

// Shared by all instances of the unit.
std::int32_t InstanceCount = 0;
std::uint32_t SavedVolume = 0;
// Whether SavedVolume holds a volume that was actually read from the device.
// Without it a failed read would be "restored" as 0 and mute the output.
bool SavedVolumeValid = false;

} // namespace

TToneGen::TToneGen(TComponent* AOwner) : TComponent(AOwner) {
    FToneDirty = LongTrue;
    FEnvelopeDirty = LongTrue;
    FPlainDirty = LongTrue;
    FStopped = LongTrue;
    FWaveImage = nullptr;
    FWaveImageSize = 0;

    FFrequency = 440;
    FDuration = 100;
    FWaveform = tgSine;
    FAttack = 10;
    FHold = 5;
    FDecay = 20;
    FSustain = 50;
    FRelease = 30;
    FAsync = LongTrue;
    FLoop = LongFalse;
    FResolution = tg16Bit;
    FQuality = tgHiQ;
    FLeftVolume = 100;
    FRightVolume = 100;
    FStereo = LongFalse;
    FAMUseMultiplier = LongTrue;
    FOctave = 4;
    FAMLevel = tgAMLevel1;

    ResetAM();
    FAMFrequency = FAMFrequencies[FAMLevel];
    FAMWaveform = FAMWaveforms[FAMLevel];
    FAMAmplitude = FAMAmplitudes[FAMLevel];
    for (std::int32_t& Octave : FAMOctaves)
        Octave = FOctave;
    FWaveOutDevice = 0;

    if (InstanceCount == 0 && !IsDesigning()) {
        // Setting full volume is only safe when the volume it replaces is
        // known and can be put back at the end.
        if (const auto Volume = GetSystemVolume()) {
            SavedVolume = *Volume;
            SavedVolumeValid = true;
            ApplyVolume();
        }
    }
    ++InstanceCount;
}

TToneGen::~TToneGen() {
    Stop();
    ReleaseImage();
    --InstanceCount;
    if (InstanceCount == 0 && !IsDesigning() && SavedVolumeValid) {
        waveOutSetVolume(FWaveOutDevice, SavedVolume);
        SavedVolumeValid = false;
    }
}

std::int16_t TToneGen::CheckRange(std::int16_t Lo, std::int16_t Hi, std::int16_t Value) {
    if (Lo <= Value && Value <= Hi)
        return Value;
    ReportRange(Lo, Hi);
    return Value > Hi ? Hi : Lo;
}

void TToneGen::ReportRange(std::int16_t Lo, std::int16_t Hi) {
    if (IsDesigning())
        MessageBoxA(nullptr,
                    "Value must be between " + std::to_string(Lo) + " and " + std::to_string(Hi),
                    "Error", MB_OK | MB_ICONERROR);
}

void TToneGen::SetFrequency(std::int16_t Value) {
    FToneDirty = LongTrue;
    FFrequency = CheckRange(20, 20000, Value);
}

void TToneGen::SetDuration(std::int16_t Value) {
    FToneDirty = LongTrue;
    FDuration = CheckRange(10, 32767, Value);
}

void TToneGen::SetWaveform(TTGWave Value) {
    FToneDirty = LongTrue;
    FWaveform = Value;
}

void TToneGen::SetEnvelopePercent(std::int16_t& Field, std::int16_t Value) {
    FEnvelopeDirty = LongTrue;
    Field = CheckPercent(Value);
}

void TToneGen::SetAttack(std::int16_t Value) {
    SetEnvelopePercent(FAttack, Value);
}

void TToneGen::SetHold(std::int16_t Value) {
    SetEnvelopePercent(FHold, Value);
}

void TToneGen::SetDecay(std::int16_t Value) {
    SetEnvelopePercent(FDecay, Value);
}

void TToneGen::SetSustain(std::int16_t Value) {
    SetEnvelopePercent(FSustain, Value);
}

void TToneGen::SetRelease(std::int16_t Value) {
    SetEnvelopePercent(FRelease, Value);
}

void TToneGen::SetResolution(TTGResolution Value) {
    FToneDirty = LongTrue;
    FResolution = Value;
}

void TToneGen::SetQuality(TTGQuality Value) {
    FToneDirty = LongTrue;
    FQuality = Value;
}

// A volume change reaches the device at once unless a background sound is
// running; then it waits for the next play or preset, so that a playing tone
// does not jump in level.
void TToneGen::SetLeftVolume(std::int16_t Value) {
    FLeftVolume = CheckPercent(Value);
    if (IsLoading() || FStopped != 0)
        ApplyVolume();
}

void TToneGen::SetRightVolume(std::int16_t Value) {
    FRightVolume = CheckPercent(Value);
    if (IsLoading() || FStopped != 0)
        ApplyVolume();
}

void TToneGen::SetStereo(bool Value) {
    FToneDirty = LongTrue;
    FStereo = ToLongBool(Value);
}

void TToneGen::SetAMLevel(TTGAMLevel Value) {
    if (Value >= AMLevelCount)
        return;
    FAMLevel = Value;
    SetAMAmplitude(FAMAmplitudes[Value]);
    SetAMWaveform(FAMWaveforms[Value]);
    SetAMFrequency(FAMFrequencies[Value]);
}

void TToneGen::SetAMAmplitude(std::int16_t Value) {
    const std::int16_t A = CheckPercent(Value);
    FAMAmplitude = A;
    FAMAmplitudes[FAMLevel] = A;
    FToneDirty = LongTrue;
}

void TToneGen::SetAMWaveform(TTGWave Value) {
    FAMWaveform = Value;
    FAMWaveforms[FAMLevel] = Value;
    FToneDirty = LongTrue;
}

void TToneGen::SetAMFrequency(float Value) {
    FAMFrequency = Value;
    FAMFrequencies[FAMLevel] = Value;
    FToneDirty = LongTrue;
}

void TToneGen::SetAMUseMultiplier(bool Value) {
    FAMUseMultiplier = ToLongBool(Value);
    FToneDirty = LongTrue;
}

void TToneGen::ResetAM() {
    for (int K = 0; K < AMLevelCount; ++K) {
        FAMAmplitudes[K] = 0;
        FAMWaveforms[K] = tgSine;
        FAMFrequencies[K] = static_cast<float>((K + 1.0) / 2.0);
    }
    FToneDirty = LongTrue;
}

void TToneGen::SetAMParameter(TTGAMLevel Level, std::int16_t Amplitude, float Frequency,
                              TTGWave Waveform) {
    if (Level >= AMLevelCount)
        return;
    FAMFrequencies[Level] = Frequency;
    FAMWaveforms[Level] = Waveform;
    FAMAmplitudes[Level] = Amplitude;
    FToneDirty = LongTrue;
}

std::int32_t TToneGen::SetNote(const std::string& Note) {
    std::int32_t O = FOctave;
    const std::int32_t F = NoteToFrequency(Note, O);
    if (F > 0) {
        // Always within the property's range.
        SetFrequency(static_cast<std::int16_t>(F));
        FOctave = O;
        FToneDirty = LongTrue;
    }
    return F;
}

float TToneGen::SetAMNote(TTGAMLevel Level, const std::string& Note) {
    if (Level >= AMLevelCount)
        return 0.0f;
    std::int32_t O = FAMOctaves[Level];
    const std::int32_t F = NoteToFrequency(Note, O);
    if (F <= 0)
        return 0.0f;
    float X = static_cast<float>(F);
    // Stored as a multiple of the main frequency of the moment: the quotient
    // of the single-precision frequency, taken in extended precision and
    // rounded to single precision.
    if (FAMUseMultiplier != 0)
        X = static_cast<float>(static_cast<long double>(X) / static_cast<long double>(FFrequency));
    FAMFrequencies[Level] = X;
    FAMOctaves[Level] = O;
    FToneDirty = LongTrue;
    return X;
}

TToneGen::TAMRow TToneGen::AMRow(TTGAMLevel Level) const {
    if (Level >= AMLevelCount)
        return TAMRow{0, tgSine, 0.0f};
    return TAMRow{FAMAmplitudes[Level], FAMWaveforms[Level], FAMFrequencies[Level]};
}

void TToneGen::ApplyVolume() {
    const std::int32_t Left = FLeftVolume * 65535 / 100;
    const std::int32_t Right = FRightVolume * 65535 / 100;
    // The right channel goes into the high half; unsigned arithmetic keeps
    // the shift of 65535 into bit 31 defined.
    const std::uint32_t Value =
        static_cast<std::uint32_t>(Left) + static_cast<std::uint32_t>(Right) * 65536u;
    waveOutSetVolume(FWaveOutDevice, Value);
}

std::optional<std::uint32_t> TToneGen::GetSystemVolume() {
    WAVEOUTCAPSA Caps{};
    if (waveOutGetDevCapsA(FWaveOutDevice, &Caps, sizeof Caps) != MMSYSERR_NOERROR)
        return std::nullopt;
    std::uint32_t Value = 0;
    if (waveOutGetVolume(FWaveOutDevice, &Value) != MMSYSERR_NOERROR)
        return std::nullopt;
    // A device with one level for both channels reports it in the low half;
    // copying it into the high half makes it a two-channel value that can be
    // set back later.
    if ((Caps.dwSupport & WAVECAPS_LRVOLUME) == 0)
        Value *= 65537u;
    return Value;
}

void TToneGen::StopSoundPlayer() {
    PlaySoundA(nullptr, nullptr, 0);
}

void TToneGen::Stop() {
    StopSoundPlayer();
    FStopped = LongTrue;
}

void TToneGen::StartPlayback() {
    Stop();
    ApplyVolume();
    // A looped sound is always played in the background.
    DWORD Flags = SND_MEMORY | SND_SYNC;
    if (FLoop != 0)
        Flags = SND_MEMORY | SND_ASYNC | SND_LOOP;
    else if (FAsync != 0)
        Flags = SND_MEMORY | SND_ASYNC;
    if (FWaveImage != nullptr)
        PlaySoundA(reinterpret_cast<const char*>(FWaveImage), nullptr, Flags);
}

void TToneGen::PlayTone(bool WithEnvelope) {
    // A failed rendering leaves no image, and then nothing is played.
    if (FToneDirty != 0 || (WithEnvelope ? FEnvelopeDirty : FPlainDirty) != 0)
        RenderTone(WithEnvelope);
    StartPlayback();
    FStopped = ToLongBool(FAsync == 0 && FLoop == 0);
}

void TToneGen::Play() {
    PlayTone(false);
}

void TToneGen::PlayADSR() {
    PlayTone(true);
}

void TToneGen::PresetVolume() {
    ApplyVolume();
}

bool TToneGen::Prepare() {
    ApplyVolume();
    return RenderTone(false);
}

bool TToneGen::PrepareADSR() {
    ApplyVolume();
    return RenderTone(true);
}

void TToneGen::ReleaseImage() {
    delete[] FWaveImage;
    FWaveImage = nullptr;
    FWaveImageSize = 0;
}

bool TToneGen::RenderTone(bool WithEnvelope) {
    const std::uint32_t CallersSeed = RandSeed;
    RandSeed = 1;

    const bool Stereo = FStereo != 0;
    const std::uint32_t D = WaveDataSize(FResolution, FQuality, Stereo, FDuration);
    TWaveHeader Header;
    WriteWaveHeader(FStereo, ToLongBool(FResolution == tg16Bit), ToLongBool(FQuality == tgHiQ), D,
                    Header);

    // The player may still be reading the old image in the background.
    StopSoundPlayer();
    ReleaseImage();

    const auto Size = static_cast<std::size_t>(::WaveImageSize(D));
    FWaveImage = new (std::nothrow) std::uint8_t[Size];
    if (FWaveImage == nullptr) {
        RandSeed = CallersSeed;
        return false;
    }
    FWaveImageSize = static_cast<std::int32_t>(Size);
    std::memset(FWaveImage, SilenceByte(FResolution), Size);
    std::memcpy(FWaveImage, Header.Bytes, WaveHeaderSize);

    TToneSettings Settings{};
    Settings.Frequency = FFrequency;
    Settings.Waveform = FWaveform;
    Settings.UseMultiplier = FAMUseMultiplier != 0;
    for (int K = 0; K < AMLevelCount; ++K) {
        Settings.AMAmplitudes[K] = FAMAmplitudes[K];
        Settings.AMWaveforms[K] = FAMWaveforms[K];
        Settings.AMFrequencies[K] = FAMFrequencies[K];
    }
    const TVoicePlan Plan = PlanVoices(Settings);
    // A multiplied partial frequency is bounded like the Frequency property,
    // with the same design-time message.
    for (int K = 0; K < AMLevelCount; ++K)
        if ((Plan.ClampedPartials & (1u << K)) != 0)
            ReportRange(20, 20000);

    const TToneFormat Format{FResolution, FQuality, Stereo};
    if (!RenderVoices(FWaveImage + WaveHeaderSize, D, Format, Plan.Voices)) {
        ReleaseImage();
        RandSeed = CallersSeed;
        return false;
    }
    FEnvelopeDirty = LongTrue;
    FToneDirty = LongFalse;
    FPlainDirty = LongFalse;

    if (WithEnvelope)
        ApplyEnvelope(FWaveImage + WaveHeaderSize, D, Stereo);

    RandSeed = CallersSeed;
    return true;
}

void TToneGen::ApplyEnvelope(std::uint8_t* Data, std::uint32_t DataSize, bool Stereo) {
    ::ApplyEnvelope(Data, DataSize, Stereo, FResolution,
                    TEnvelopeShares{FAttack, FHold, FDecay, FSustain, FRelease});
    FEnvelopeDirty = LongFalse;
    FToneDirty = LongFalse;
    FPlainDirty = LongTrue;
}

TLongBool TToneGen::ExportFile(const std::string& FileName) const {
    if (FWaveImage == nullptr)
        return LongFalse;
    return ToLongBool(
        WriteFileReplacing(FileName, FWaveImage, static_cast<std::size_t>(FWaveImageSize)));
}

const TPublishedProperties& TToneGen::Published() const {
    static const std::vector<std::string> Waves{"tgSine", "tgSquare", "tgTriangle", "tgSawtooth",
                                                "tgNoise"};
    static const TPublishedProperties Properties =
        TPublishedProperties(TComponent::PublishedProperties())
            .Integer("Frequency", &TToneGen::Frequency, &TToneGen::SetFrequency, 440)
            .Integer("Duration", &TToneGen::Duration, &TToneGen::SetDuration, 100)
            .Enumeration("Waveform", &TToneGen::Waveform, &TToneGen::SetWaveform, Waves, tgSine)
            .Integer("Attack", &TToneGen::Attack, &TToneGen::SetAttack, 10)
            .Integer("Hold", &TToneGen::Hold, &TToneGen::SetHold, 5)
            .Integer("Decay", &TToneGen::Decay, &TToneGen::SetDecay, 20)
            .Integer("Sustain", &TToneGen::Sustain, &TToneGen::SetSustain, 50)
            .Integer("Release", &TToneGen::Release, &TToneGen::SetRelease, 30)
            .Boolean("Async", &TToneGen::Async, &TToneGen::SetAsync, true)
            .Boolean("Loop", &TToneGen::Loop, &TToneGen::SetLoop, false)
            .Enumeration("Resolution", &TToneGen::Resolution, &TToneGen::SetResolution,
                         {"tg16Bit", "tg8Bit"}, tg16Bit)
            .Enumeration("Quality", &TToneGen::Quality, &TToneGen::SetQuality, {"tgHiQ", "tgLoQ"},
                         tgHiQ)
            .Integer("LeftVolume", &TToneGen::LeftVolume, &TToneGen::SetLeftVolume, 100)
            .Integer("RightVolume", &TToneGen::RightVolume, &TToneGen::SetRightVolume, 100)
            .Boolean("Stereo", &TToneGen::Stereo, &TToneGen::SetStereo, false)
            .Enumeration("AMLevel", &TToneGen::AMLevel, &TToneGen::SetAMLevel,
                         {"tgAMLevel1", "tgAMLevel2", "tgAMLevel3", "tgAMLevel4", "tgAMLevel5",
                          "tgAMLevel6", "tgAMLevel7", "tgAMLevel8"},
                         tgAMLevel1)
            // The three partial-tone properties declare no default.
            .Integer("AMAmplitude", &TToneGen::AMAmplitude, &TToneGen::SetAMAmplitude)
            .Enumeration("AMWaveform", &TToneGen::AMWaveform, &TToneGen::SetAMWaveform, Waves)
            .Single("AMFrequency", &TToneGen::AMFrequency, &TToneGen::SetAMFrequency)
            .Boolean("AMUseMultiplier", &TToneGen::AMUseMultiplier, &TToneGen::SetAMUseMultiplier,
                     true);
    return Properties;
}

void TToneGen::DefineProperties(TFiler& Filer) {
    TComponent::DefineProperties(Filer);
    // Written to every stream, whatever the table holds.
    Filer.DefineBinaryProperty(
        "AMArrayData", [this](TMemoryStream& Stream) { ReadAMArray(Stream); },
        [this](TMemoryStream& Stream) { WriteAMArray(Stream); }, true);
}

namespace {

void WriteLittle32(TMemoryStream& Stream, std::uint32_t Value) {
    const std::uint8_t Bytes[4] = {
        static_cast<std::uint8_t>(Value), static_cast<std::uint8_t>(Value >> 8),
        static_cast<std::uint8_t>(Value >> 16), static_cast<std::uint8_t>(Value >> 24)};
    Stream.WriteBuffer(Bytes, 4);
}

std::uint32_t ReadLittle32(TMemoryStream& Stream) {
    std::uint8_t B[4];
    Stream.ReadBuffer(B, 4);
    return static_cast<std::uint32_t>(B[0]) | static_cast<std::uint32_t>(B[1]) << 8 |
           static_cast<std::uint32_t>(B[2]) << 16 | static_cast<std::uint32_t>(B[3]) << 24;
}

} // namespace

void TToneGen::WriteAMArray(TMemoryStream& Stream) const {
    WriteLittle32(Stream, static_cast<std::uint32_t>(AMLevelCount - 1));
    for (int K = 0; K < AMLevelCount; ++K) {
        WriteLittle32(Stream,
                      static_cast<std::uint32_t>(static_cast<std::int32_t>(FAMAmplitudes[K])));
        WriteLittle32(Stream, static_cast<std::uint32_t>(FAMWaveforms[K]));
        std::uint32_t Bits;
        std::memcpy(&Bits, &FAMFrequencies[K], 4);
        WriteLittle32(Stream, Bits);
    }
}

void TToneGen::ReadAMArray(TMemoryStream& Stream) {
    const auto Highest = static_cast<std::int32_t>(ReadLittle32(Stream));
    if (Highest < 0)
        return;
    // The whole announced value must be there before a row changes.
    const std::uint64_t Rows = static_cast<std::uint64_t>(Highest) + 1;
    if (Stream.Size() - Stream.Position() < Rows * 12)
        throw EReadError("Stream read error");
    for (std::uint64_t K = 0; K < Rows; ++K) {
        const std::uint32_t Amplitude = ReadLittle32(Stream);
        const std::uint32_t Waveform = ReadLittle32(Stream);
        const std::uint32_t Bits = ReadLittle32(Stream);
        // Rows beyond the table's eight are read and dropped.
        if (K >= static_cast<std::uint64_t>(AMLevelCount))
            continue;
        FAMAmplitudes[K] = static_cast<std::int16_t>(Amplitude & 0xFFFFu);
        FAMWaveforms[K] = static_cast<TTGWave>(Waveform & 0xFFu);
        std::memcpy(&FAMFrequencies[K], &Bits, 4);
    }
}

namespace {

// Lets form streams create tone generators by class name.
const bool Registered = [] {
    RegisterComponentClass("TToneGen", [](TComponent* Owner) { return new TToneGen(Owner); });
    return true;
}();

} // namespace
