// Conversions between the toolkit's values and Qt's; private to the
// toolkit's backend.
#pragma once

#include "ToolkitTypes.h"

#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>
#include <string>

inline QString ToQString(const std::string& Text) {
    return QString::fromStdString(Text);
}
inline std::string ToStdString(const QString& Text) {
    return Text.toStdString();
}

// System colours are looked up in Palette; plain colours are unpacked from
// their 0x00BBGGRR layout.
QColor ToQColor(TColor Color, const QPalette& Palette);

QFont ToQFont(const TFont& Font);

// Sets the text roles of Palette (window text, edit text, button text) to the
// font's colour.
void ApplyFontColor(QPalette& Palette, const TFont& Font);
