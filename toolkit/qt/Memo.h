// A multi-line text box. Its text is a list of lines; the last line may be
// empty. A read-only memo still lets the user select and copy its text.
#pragma once

#include "Control.h"

#include <string>
#include <vector>

class TMemo : public TControl {
public:
    explicit TMemo(TComponent* AOwner);

    // The lines as the box holds them, the user's edits included.
    std::vector<std::string> Lines() const;
    void SetLines(const std::vector<std::string>& Value);
    int LineCount() const;

    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    TScrollStyle ScrollBars() const { return FScrollBars; }
    void SetScrollBars(TScrollStyle Value);

    void SelectAll();
    std::string SelText() const;
    void CopyToClipboard();

private:
    bool FReadOnly = false;
    bool FWordWrap = true;
    TScrollStyle FScrollBars = ssNone;
};
