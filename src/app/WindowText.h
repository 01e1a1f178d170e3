#pragma once
#include <QString>
#include <QStringList>
#include <string>
#include <string_view>
#include <vector>

#include "SearchResult.h"

// The window's text edge: the core works on Shift-JIS bytes, the widgets on Unicode.

// A widget's text as the core reads it, in Shift-JIS. Each character that code page 932 cannot hold
// becomes "?"; the look-alikes that input methods type (wave dash, minus sign) become their code
// page 932 forms.
std::string ToSjis(const QString& text);

// Shift-JIS bytes for the screen. Each byte that starts no valid character shows as U+FFFD.
QString FromSjis(std::string_view sjis);

// Result lines for the list, converted as FromSjis does, one entry per line in order.
QStringList FromSjisLines(const TResultLines& lines);
