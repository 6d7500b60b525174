// A stand-in device-volume layer in which every call fails, for builds of the
// command that come before the project's own null layer (mmsystem_null). A
// failed read makes the component leave the device alone.
#include "MMSystem.h"

MMRESULT waveOutGetDevCapsA(UINT_PTR, WAVEOUTCAPSA*, std::uint32_t) { return MMSYSERR_ERROR; }
MMRESULT waveOutGetVolume(UINT_PTR, std::uint32_t*) { return MMSYSERR_ERROR; }
MMRESULT waveOutSetVolume(UINT_PTR, std::uint32_t) { return MMSYSERR_ERROR; }
