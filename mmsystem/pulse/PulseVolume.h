// Control over the device-volume calls on the sound server.
#pragma once

// While disabled, the three device-volume calls fail at once as they do
// without a server, so a tool can leave the user's volume alone unless it is
// asked to play. Enabled at start.
void SetDeviceVolumeEnabled(bool Value);
