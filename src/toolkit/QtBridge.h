#pragma once
// Conversions at the boundary between the program's own types (UTF-8
// std::string, TColor) and Qt's.
//
// Threading: GUI thread (colours read the application palette).

#include <QColor>
#include <QString>
#include <string>
#include <string_view>

#include "toolkit/Colors.h"

QString QStr(std::string_view utf8);
std::string StdStr(const QString& text);

// A caption as it reads on the screen: the "&" that marks a mnemonic letter
// taken out, "&&" read as one "&".
QString WithoutMnemonic(const QString& caption);

// A plain colour as it stands; a system colour (clWindowText, clBtnFace, ...)
// as the application palette shows it; clNone as transparent.
QColor ToQColor(TColor color);
