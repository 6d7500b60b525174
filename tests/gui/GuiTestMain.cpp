// The window tests' main: one Qt application object for the whole process
// (each test makes its own TApplication over it), then the tests.
#include <QApplication>
#include <gtest/gtest.h>

namespace {

QtMessageHandler PreviousHandler = nullptr;

// The offscreen platform has no window manager to stack windows or honour
// size hints, and says so on every window shown; that is not news.
void FilterPlatformNotes(QtMsgType Type, const QMessageLogContext& Context, const QString& Text) {
    if (Text.startsWith(QLatin1String("This plugin does not support")))
        return;
    if (PreviousHandler != nullptr)
        PreviousHandler(Type, Context, Text);
}

} // namespace

int main(int argc, char* argv[]) {
    PreviousHandler = qInstallMessageHandler(FilterPlatformNotes);
    QApplication Qt(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
