// tonegen: the tone generator component from a shell (ToneGenCommand.h), on
// the sound server's device volume and the system sound player on SDL2 audio.
#include "PulseVolume.h"
#include "ToneGenCommand.h"

int main(int argc, char** argv) {
    return RunToneGen(argc, argv, SetDeviceVolumeEnabled);
}
