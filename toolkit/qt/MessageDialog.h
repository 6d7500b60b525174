// The real message box behind MessageBoxA, drawn by the window system.
// TApplication installs it with SetMessageBoxHandler when it is created.
#pragma once

#include "MessageBox.h"

// Shows the box modally to the whole application, owned by the window of
// Call.Owner when that is a control, and returns when the user closes it or
// the application terminates. An empty caption shows the application's
// title. Line breaks may be written "\r\n".
int ShowMessageDialog(const TMessageBoxCall& Call);
