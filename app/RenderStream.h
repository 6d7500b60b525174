// The render callback of the frequency programs' user stream, and the values
// it reads: the step frequency, the output gain and the waveform choice.
//
// The main thread writes CurrentFrequency and OutputGain only while no stream
// exists (between BASS_Init and BASS_StreamCreate); the callback reads them on
// the audio thread. The waveform choice comes from the main window through
// TWaveformSource, read as a plain integer without any window-system call.
#pragma once

#include "Bass.h"

#include <cstdint>

// The step frequency in Hz; used unchanged as the oscillator bank's phase
// step in table entries per frame. Zero at program start.
extern long double CurrentFrequency;
// Applied to every sample; 1.0 at every step, so samples equal table values.
extern long double OutputGain;

// Whatever answers the waveform choice for the callback: the main window.
// SelectedWaveform is called on the audio thread once per buffer; it must
// read a plain value and never call into the window system.
class TWaveformSource {
public:
    virtual std::uint8_t SelectedWaveform() const = 0;

protected:
    ~TWaveformSource() = default;
};

// Set by the main window when it is created, cleared when it is destroyed
// (always while no stream exists). With no source the callback writes
// nothing, as for an unknown waveform.
extern TWaveformSource* WaveformSource;

// The stream procedure: writes length div 4 interleaved frames, left from
// oscillator channel 1 and right from channel 9, of the chosen table times
// OutputGain truncated toward zero, and returns length.
DWORD RenderStream(TStreamHandle handle, void* buffer, DWORD length, void* user);
