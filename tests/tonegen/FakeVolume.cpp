#include "FakeVolume.h"

#include <cstring>

TFakeVolumeDevice FakeVolume;

std::vector<std::uint32_t> TFakeVolumeDevice::SetValues() const {
    std::vector<std::uint32_t> Values;
    for (const TVolumeCall& Call : Calls)
        if (Call.Name == "SetVolume")
            Values.push_back(Call.Value);
    return Values;
}

MMRESULT waveOutGetDevCapsA(UINT_PTR uDeviceID, WAVEOUTCAPSA* pwoc, std::uint32_t cbwoc) {
    FakeVolume.Calls.push_back({"GetDevCaps", uDeviceID, cbwoc});
    if (FakeVolume.FailCaps)
        return MMSYSERR_ERROR;
    if (pwoc == nullptr || cbwoc < sizeof(WAVEOUTCAPSA))
        return MMSYSERR_INVALPARAM;
    std::memset(pwoc, 0, sizeof *pwoc);
    std::strcpy(pwoc->szPname, "Fake output");
    pwoc->wChannels = FakeVolume.Mono ? 1 : 2;
    pwoc->dwSupport = WAVECAPS_VOLUME | (FakeVolume.Mono ? 0u : std::uint32_t{WAVECAPS_LRVOLUME});
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutGetVolume(UINT_PTR uDeviceID, std::uint32_t* pdwVolume) {
    FakeVolume.Calls.push_back({"GetVolume", uDeviceID, FakeVolume.Volume});
    if (FakeVolume.FailGet)
        return MMSYSERR_ERROR;
    *pdwVolume = FakeVolume.Volume;
    return MMSYSERR_NOERROR;
}

MMRESULT waveOutSetVolume(UINT_PTR uDeviceID, std::uint32_t dwVolume) {
    FakeVolume.Calls.push_back({"SetVolume", uDeviceID, dwVolume});
    if (FakeVolume.FailSet)
        return MMSYSERR_ERROR;
    FakeVolume.Volume = dwVolume;
    return MMSYSERR_NOERROR;
}
