#include "QtConvert.h"

#include <mutex>

QColor ToQColor(TColor Color, const QPalette& Palette) {
    switch (Color) {
    case clWindowText:
        return Palette.color(QPalette::WindowText);
    case clBtnFace:
        return Palette.color(QPalette::Button);
    default:
        return QColor(static_cast<int>(Color & 0xFF), static_cast<int>((Color >> 8) & 0xFF),
                      static_cast<int>((Color >> 16) & 0xFF));
    }
}

QFont ToQFont(const TFont& Font) {
    // The forms name the face they were designed with. Where it is missing we
    // want the system's sans-serif face, not whatever fontconfig thinks is
    // closest, so the substitution is declared once and explicitly.
    static std::once_flag Substituted;
    std::call_once(Substituted, [] {
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("sans-serif"));
    });
    QFont Result(ToQString(Font.Name));
    Result.setStyleHint(QFont::SansSerif);
    Result.setPixelSize(Font.Height > 0 ? Font.Height : 11);
    Result.setBold((Font.Style & fsBold) != 0);
    Result.setItalic((Font.Style & fsItalic) != 0);
    Result.setUnderline((Font.Style & fsUnderline) != 0);
    return Result;
}

void ApplyFontColor(QPalette& Palette, const TFont& Font) {
    if (Font.Color == clWindowText)
        return;
    const QColor Color = ToQColor(Font.Color, Palette);
    for (QPalette::ColorRole Role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        Palette.setColor(Role, Color);
}
