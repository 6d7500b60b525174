// Message boxes of the window toolkit, shown modally on the main thread.
//
// The box itself is drawn by the toolkit's backend; tests replace it with a
// recorder through SetMessageBoxHandler, so that no box blocks a test run.
#pragma once

#include <functional>
#include <string>

class TComponent;

// Style bits (the low byte picks the buttons and the icon).
enum : unsigned {
    MB_OK = 0x00000000u,
    MB_ICONERROR = 0x00000010u,
};

enum : int { IDOK = 1 };

// Shows `Text` under `Caption` (empty: the application's title) with the
// buttons and icon of `Style`, owned by `Owner` when given; returns the
// button pressed. Texts are UTF-8.
int MessageBoxA(TComponent* Owner, const std::string& Text, const std::string& Caption,
                unsigned Style);

struct TMessageBoxCall {
    TComponent* Owner;
    std::string Text;
    std::string Caption;
    unsigned Style;
};

using TMessageBoxHandler = std::function<int(const TMessageBoxCall&)>;

// Replaces the box with `Handler` (an empty handler puts the real box back).
// Returns the handler that was in place.
TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler Handler);
