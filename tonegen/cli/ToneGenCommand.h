// The tonegen command as a function, so that the program and a fuzzer run the
// same code: the program's main is a call of RunToneGen.
//
// The command reaches the device volume and the system sound player through
// MMSystem.h; the program that links it chooses their implementation. Its
// only input is its arguments (stdin is never read), its messages go to
// stdout and stderr, and only --export writes a file.
#pragma once

// Turns the device-volume calls on or off (SetDeviceVolumeEnabled of the
// sound server's implementation). The command turns them off unless it
// plays, so that rendering and exporting never touch the user's volume.
using TDeviceVolumeSwitch = void (*)(bool Enabled);

// Runs the command with the arguments argv[1] to argv[argc - 1] (argv[0] is
// the program's name and is not read) and returns its exit status: 0 when it
// did what it was asked, 1 when there was not enough memory for the tone or
// no sound output for a play, 2 for bad input (one line on stderr), 128 plus
// the signal's number when Ctrl+C, SIGTERM or SIGHUP ended a play to its end.
// It never exits the process. SwitchDeviceVolume may be null when the linked
// device volume has no switch (one that never reaches a device).
//
// A play blocks SIGINT, SIGTERM and SIGHUP in the calling thread and leaves
// them blocked, so that a signal that comes while the command ends stays
// pending until the process ends.
int RunToneGen(int argc, char** argv, TDeviceVolumeSwitch SwitchDeviceVolume);
