// No device: every call fails, so a caller that saves and restores the
// volume (as the tone generator does) never changes it, and nothing plays.
#include "MMSystem.h"

MMRESULT waveOutGetDevCapsA(UINT_PTR, WAVEOUTCAPSA*, std::uint32_t) {
    return MMSYSERR_ERROR;
}

MMRESULT waveOutGetVolume(UINT_PTR, std::uint32_t*) {
    return MMSYSERR_ERROR;
}

MMRESULT waveOutSetVolume(UINT_PTR, std::uint32_t) {
    return MMSYSERR_ERROR;
}

// No sound output either: nothing plays; stopping always succeeds.
BOOL PlaySoundA(const char* pszSound, HMODULE, DWORD) {
    return pszSound == nullptr ? 1 : 0;
}
