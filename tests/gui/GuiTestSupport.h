// Driving real widgets the way the user does: through the window system, so
// that a window blocked by a modal dialog ignores the input as it would on
// the screen.
#pragma once

// Mouse input goes through the window, not straight to the widget.
#define QTEST_QPA_MOUSE_HANDLING

#include "Control.h"

#include <QCoreApplication>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <functional>

namespace GuiTest {

inline QWindow* WindowOf(TControl* Control) {
    QWidget* W = Control->Widget()->window();
    W->winId();
    return W->windowHandle();
}

// A left click in the middle of the control.
inline void Click(TControl* Control) {
    QWidget* W = Control->Widget();
    const QPoint Centre = W->mapTo(W->window(), W->rect().center());
    QTest::mouseClick(WindowOf(Control), Qt::LeftButton, Qt::NoModifier, Centre);
}

// A radio button answers only on its mark and its text, not on the empty
// rest of its row: click on the mark.
inline void ClickRadio(QWidget* Button) {
    QTest::mouseClick(Button, Qt::LeftButton, Qt::NoModifier, QPoint(7, Button->height() / 2));
}

// A key pressed in the control's window; it reaches the window's focused
// widget first.
inline void KeyClick(TControl* Control, Qt::Key Key) {
    QTest::keyClick(WindowOf(Control), Key);
}

// Runs Action from the message loop that is running (or about to run), as a
// user's input would arrive.
inline void Later(std::function<void()> Action, int Milliseconds = 0) {
    QTimer::singleShot(Milliseconds, qApp, std::move(Action));
}

// QCoreApplication::exit makes every message loop of the thread return at
// once from then on, until the window system's own exec() runs again; these
// tests run none. A test that asks for an exit holds one of these, so the
// tests after it have working loops.
class TExitRequestCleaner {
public:
    TExitRequestCleaner() = default;
    ~TExitRequestCleaner() {
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
        QCoreApplication::exec();
    }
    TExitRequestCleaner(const TExitRequestCleaner&) = delete;
    TExitRequestCleaner& operator=(const TExitRequestCleaner&) = delete;
};

} // namespace GuiTest
