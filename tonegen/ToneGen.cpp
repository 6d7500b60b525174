#include "ToneGen.h"

#include "Envelope.h"
#include "FileExport.h"
#include "MMSystem.h"
#include "MessageBox.h"
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

void TToneGen::Stop() {
    StopSoundPlayer();
    FStopped = LongTrue;
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
