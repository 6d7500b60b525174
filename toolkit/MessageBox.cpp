#include "MessageBox.h"

#include <cstdio>
#include <utility>

namespace {

TMessageBoxHandler& Handler() {
    static TMessageBoxHandler H;
    return H;
}

} // namespace

int MessageBoxA(TComponent* Owner, const std::string& Text, const std::string& Caption,
                unsigned Style) {
    if (Handler())
        return Handler()(TMessageBoxCall{Owner, Text, Caption, Style});
    // No window system in this process (a command-line tool): say it on
    // stderr instead of losing it.
    std::fprintf(stderr, "%s%s%s\n", Caption.c_str(), Caption.empty() ? "" : ": ", Text.c_str());
    return IDOK;
}

TMessageBoxHandler SetMessageBoxHandler(TMessageBoxHandler NewHandler) {
    return std::exchange(Handler(), std::move(NewHandler));
}
