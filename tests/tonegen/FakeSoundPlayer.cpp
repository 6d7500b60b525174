#include "FakeSoundPlayer.h"

#include "FakeVolume.h"

#include <cstring>

TFakeSoundPlayer FakeSoundPlayer;

std::vector<TPlayCall> TFakeSoundPlayer::Plays() const {
    std::vector<TPlayCall> Out;
    for (const TPlayCall& Call : Calls)
        if (!Call.Stop)
            Out.push_back(Call);
    return Out;
}

BOOL PlaySoundA(const char* pszSound, HMODULE, DWORD fdwSound) {
    const auto* Image = reinterpret_cast<const std::uint8_t*>(pszSound);
    std::uint32_t DataSize = 0;
    if (Image != nullptr)
        std::memcpy(&DataSize, Image + 40, 4); // little-endian host
    FakeSoundPlayer.Calls.push_back(
        {Image == nullptr, fdwSound, Image, DataSize, FakeVolume.Calls.size()});
    return 1;
}
