// TToneGen, the tone generator component: it renders a tone of Frequency Hz
// and Duration milliseconds in one of five waveforms, mixed with up to eight
// partial tones and optionally shaped by an ADSR envelope, into an in-memory
// WAV image that it owns, plays through the system sound player, hands out
// and exports as a file.
//
// Units: frequencies in Hz, durations in milliseconds, Attack, Hold, Decay,
// Release, Sustain, the volumes and the partial amplitudes in percent.
//
// The component works lazily. Setters only store their value and mark a dirty
// flag; the image is rendered by Prepare or PrepareADSR, or by Play or
// PlayADSR when it is stale. It refuses no value:
// numbers outside a property's range are replaced by the nearer bound, after a
// message box in the form designer and silently at run time.
//
// While instances exist, the component takes charge of the volume of wave-out
// device 0. The first run-time instance saves the device volume and sets it
// from LeftVolume and RightVolume (full volume by default); the last instance
// to go puts the saved volume back. When the device volume cannot be read,
// there is no volume to put back, so the creation does not set full volume
// either, and nothing is restored when the last instance goes: a restore of
// an unknown value could mute the output, and full volume set without a
// saved value could never be undone. Later explicit volume calls still reach
// the device as usual: PresetVolume, Prepare and PrepareADSR, and the
// LeftVolume and RightVolume setters while stopped.
//
// Settings that cannot sound, settled here so that none is undefined (see
// ToneRender.h): a partial's own frequency (without multiplier) that is not a
// number, below 1 Hz or above 32767 Hz is silent, and so is one above half
// the sample rate unless the partial is noise, which has no period; a
// multiplied frequency that is not a number is silent too. Such a partial
// still takes its amplitude share from the main tone. A partial level above
// tgAMLevel8 names no row of the table: assigning it to AMLevel or passing it
// to SetAMParameter changes nothing.
//
// Overloaded mixes (amplitudes outside 0 to 100 stored by SetAMParameter, or an
// 8-bit mix of many voices at their low level) saturate at the format's
// extremes instead of wrapping around.
//
// Everything runs on the thread that owns the form; nothing is locked.
#pragma once

#include "Component.h"
#include "FormStream.h"
#include "ToneTypes.h"

#include <cstdint>
#include <optional>
#include <string>

class TToneGen : public TComponent {
public:
    explicit TToneGen(TComponent* AOwner);
    ~TToneGen() override;

    // Published properties, in declaration order.
    std::int16_t Frequency() const { return FFrequency; } // 20 .. 20000, default 440
    void SetFrequency(std::int16_t Value);
    std::int16_t Duration() const { return FDuration; } // 10 .. 32767, default 100
    void SetDuration(std::int16_t Value);
    TTGWave Waveform() const { return FWaveform; }
    void SetWaveform(TTGWave Value);
    std::int16_t Attack() const { return FAttack; } // envelope shares 0 .. 100
    void SetAttack(std::int16_t Value);
    std::int16_t Hold() const { return FHold; }
    void SetHold(std::int16_t Value);
    std::int16_t Decay() const { return FDecay; }
    void SetDecay(std::int16_t Value);
    std::int16_t Sustain() const { return FSustain; } // a level, not a share
    void SetSustain(std::int16_t Value);
    std::int16_t Release() const { return FRelease; }
    void SetRelease(std::int16_t Value);
    bool Async() const { return FAsync != 0; }
    void SetAsync(bool Value) { FAsync = ToLongBool(Value); }
    bool Loop() const { return FLoop != 0; }
    void SetLoop(bool Value) { FLoop = ToLongBool(Value); }
    TTGResolution Resolution() const { return FResolution; }
    void SetResolution(TTGResolution Value);
    TTGQuality Quality() const { return FQuality; }
    void SetQuality(TTGQuality Value);
    std::int16_t LeftVolume() const { return FLeftVolume; } // 0 .. 100
    void SetLeftVolume(std::int16_t Value);
    std::int16_t RightVolume() const { return FRightVolume; }
    void SetRightVolume(std::int16_t Value);
    bool Stereo() const { return FStereo != 0; }
    void SetStereo(bool Value);
    // The partial-tone properties show the row selected by AMLevel as it was
    // last written through them or copied by selecting the level; operations
    // that write rows directly leave them as they are.
    TTGAMLevel AMLevel() const { return FAMLevel; }
    void SetAMLevel(TTGAMLevel Value);
    std::int16_t AMAmplitude() const { return FAMAmplitude; } // 0 .. 100
    void SetAMAmplitude(std::int16_t Value);
    TTGWave AMWaveform() const { return FAMWaveform; }
    void SetAMWaveform(TTGWave Value);
    float AMFrequency() const { return FAMFrequency; } // Hz, or a multiple of Frequency
    void SetAMFrequency(float Value);
    bool AMUseMultiplier() const { return FAMUseMultiplier != 0; }
    void SetAMUseMultiplier(bool Value);

    // Published methods.

    // Play the plain tone (Play) or the tone with its envelope (PlayADSR),
    // rendering it first when the image does not hold it for the current
    // settings: stop whatever the system sound player plays, set the device
    // volume, then play. With Loop the tone repeats in the background until
    // Stop; otherwise with Async it plays once in the background; with
    // neither, the call returns when the tone has been heard to its end.
    void Play();
    void PlayADSR();
    // Stops whatever the system sound player plays for the process (also a
    // sound another instance started) and marks the component stopped.
    void Stop();
    // Sets the device volume from LeftVolume and RightVolume.
    void PresetVolume();
    // Set the device volume, then render the plain tone (Prepare) or the tone
    // with its envelope (PrepareADSR), whatever the dirty flags say. The
    // result is false when the image could not be allocated; the component
    // then has no image.
    bool Prepare();
    bool PrepareADSR();
    // Puts the eight default rows back into the partial table.
    void ResetAM();
    // Stores a row of the partial table as given, without range checks.
    void SetAMParameter(TTGAMLevel Level, std::int16_t Amplitude, float Frequency,
                        TTGWave Waveform);
    // Set the main tone's frequency (SetNote) or a partial's (SetAMNote) from
    // a note name (NoteNames.h), read in the octave the last name for the
    // same tone left (4 at first). SetNote gives the frequency in Hz;
    // SetAMNote stores and gives the frequency, or with AMUseMultiplier its
    // ratio to the current Frequency in single precision. The result is 0
    // when the name gives no frequency, and nothing changes then. SetAMNote
    // writes the level's row directly, like SetAMParameter.
    std::int32_t SetNote(const std::string& Note);
    float SetAMNote(TTGAMLevel Level, const std::string& Note);
    // The WAV image (header first), or nullptr before the first rendering. The
    // component keeps ownership; the block stays valid until the next
    // rendering or the component's destruction. Its length is in the header.
    std::uint8_t* GetDataBuffer() const { return FWaveImage; }
    // Writes the current image (it does not render) to FileName; true when
    // the whole image was written. A failure leaves an existing file as it was.
    TLongBool ExportFile(const std::string& FileName) const;

    // The component model: the class name, the published properties in
    // declaration order with their stored rules, and the partial table as
    // the binary property "AMArrayData" (all eight rows; see WriteAMArray).
    const char* ClassName() const override { return "TToneGen"; }
    const TPublishedProperties& Published() const override;
    void DefineProperties(TFiler& Filer) override;

    // State for inspection by tools and tests; not part of the form's
    // published interface.
    bool ToneDirty() const { return FToneDirty != 0; }
    bool EnvelopeDirty() const { return FEnvelopeDirty != 0; }
    bool PlainDirty() const { return FPlainDirty != 0; }
    bool Stopped() const { return FStopped != 0; }
    std::int32_t WaveImageSize() const { return FWaveImageSize; }
    struct TAMRow {
        std::int16_t Amplitude;
        TTGWave Waveform;
        float Frequency;
    };
    TAMRow AMRow(TTGAMLevel Level) const;
    std::int32_t Octave() const { return FOctave; }
    std::int32_t AMOctave(TTGAMLevel Level) const {
        return Level < AMLevelCount ? FAMOctaves[Level] : 0;
    }

private:
    std::int16_t CheckRange(std::int16_t Lo, std::int16_t Hi, std::int16_t Value);
    std::int16_t CheckPercent(std::int16_t Value) { return CheckRange(0, 100, Value); }
    // The setters of the five envelope properties: mark the enveloped image
    // stale, then store the range-checked percentage in Field.
    void SetEnvelopePercent(std::int16_t& Field, std::int16_t Value);
    // The design-time message of a failed range check.
    void ReportRange(std::int16_t Lo, std::int16_t Hi);
    void ApplyVolume();
    // The device volume, or nothing when the device could not be asked.
    std::optional<std::uint32_t> GetSystemVolume();
    bool RenderTone(bool WithEnvelope);
    void ApplyEnvelope(std::uint8_t* Data, std::uint32_t DataSize, bool Stereo);
    void ReleaseImage();
    // Tells the system sound player to stop; Stop and every rendering go
    // through here before the image may be released.
    void StopSoundPlayer();
    // Stop, device volume, then the image with the flags of Loop and Async.
    void StartPlayback();
    // Plays the tone of the image the flags say is stale or current.
    void PlayTone(bool WithEnvelope);
    // "AMArrayData": the highest row index (7), then per row the amplitude,
    // the waveform ordinal and the frequency's bits, each 32-bit
    // little-endian. The reader takes as many rows as the value announces,
    // keeps the first eight and drops the rest; a value shorter than it
    // announces fails with the stream's read error and changes nothing. A
    // negative index leaves the table alone. Values are stored unchecked.
    void WriteAMArray(TMemoryStream& Stream) const;
    void ReadAMArray(TMemoryStream& Stream);

    TLongBool FToneDirty;
    TLongBool FEnvelopeDirty;
    TLongBool FPlainDirty;
    TLongBool FStopped;
    std::uint8_t* FWaveImage;
    std::int32_t FWaveImageSize;
    std::int16_t FFrequency;
    std::int16_t FDuration;
    TTGWave FWaveform;
    std::int16_t FAttack;
    std::int16_t FHold;
    std::int16_t FDecay;
    std::int16_t FSustain;
    std::int16_t FRelease;
    TLongBool FAsync;
    TLongBool FLoop;
    TTGResolution FResolution;
    TTGQuality FQuality;
    std::int16_t FLeftVolume;
    std::int16_t FRightVolume;
    std::uint32_t FWaveOutDevice;
    TLongBool FStereo;
    std::int16_t FAMAmplitude;
    TTGWave FAMWaveform;
    float FAMFrequency;
    TLongBool FAMUseMultiplier;
    std::int32_t FOctave;
    TTGAMLevel FAMLevel;
    std::int16_t FAMAmplitudes[AMLevelCount];
    TTGWave FAMWaveforms[AMLevelCount];
    float FAMFrequencies[AMLevelCount];
    std::int32_t FAMOctaves[AMLevelCount];
};
