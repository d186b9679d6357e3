#include "toolkit/QtBridge.h"

#include <QApplication>
#include <QPalette>

QString QStr(std::string_view utf8) {
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string StdStr(const QString& text) {
    return text.toUtf8().toStdString();
}

QString WithoutMnemonic(const QString& caption) {
    QString text;
    text.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&' && i + 1 < caption.size())
            ++i;
        text += caption[i];
    }
    return text;
}

namespace {
QPalette::ColorRole SystemRole(TColor color) {
    switch (color) {
    case clWindow:
        return QPalette::Base;
    case clWindowText:
    case clMenuText:
    case clCaptionText:
    case clInactiveCaptionText:
        return QPalette::WindowText;
    case clBtnText:
        return QPalette::ButtonText;
    case clHighlight:
    case clActiveCaption:
        return QPalette::Highlight;
    case clHighlightText:
        return QPalette::HighlightedText;
    case clInfoBk:
        return QPalette::ToolTipBase;
    case clInfoText:
        return QPalette::ToolTipText;
    case clBtnShadow:
    case clWindowFrame:
        return QPalette::Dark;
    case clBtnHighlight:
        return QPalette::Light;
    case cl3DDkShadow:
        return QPalette::Shadow;
    case cl3DLight:
        return QPalette::Midlight;
    case clGrayText:
        return QPalette::PlaceholderText;
    default:
        return QPalette::Window; // clBtnFace, clMenu, clBackground, clAppWorkSpace, ...
    }
}
} // namespace

QColor ToQColor(TColor color) {
    if (color == clNone)
        return QColor(Qt::transparent);
    if (color == clDefault)
        return QApplication::palette().color(QPalette::Window);
    if (IsSystemColor(color))
        return QApplication::palette().color(SystemRole(color));
    return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                  static_cast<int>((color >> 16) & 0xFF));
}
