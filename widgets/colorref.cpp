// Conversion of stored colour values, including system colour indices, to QColor.
#include "colorref.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

QColor systemColorToQColor(std::uint8_t index)
{
    const QPalette palette = QGuiApplication::palette();
    switch (static_cast<SystemColor>(index)) {
    case SystemColor::Window: return palette.color(QPalette::Base);
    case SystemColor::WindowFrame: return palette.color(QPalette::Shadow);
    case SystemColor::WindowText: return palette.color(QPalette::WindowText);
    case SystemColor::Highlight: return palette.color(QPalette::Highlight);
    case SystemColor::HighlightText: return palette.color(QPalette::HighlightedText);
    case SystemColor::BtnFace: return palette.color(QPalette::Button);
    case SystemColor::BtnShadow: return palette.color(QPalette::Dark);
    case SystemColor::GrayText: return palette.color(QPalette::Disabled, QPalette::WindowText);
    case SystemColor::BtnText: return palette.color(QPalette::ButtonText);
    case SystemColor::BtnHighlight: return palette.color(QPalette::Light);
    case SystemColor::DarkShadow3D: return palette.color(QPalette::Shadow);
    case SystemColor::Light3D: return palette.color(QPalette::Midlight);
    }
    return palette.color(QPalette::Window);  // any other index: the plain face colour
}

}  // namespace

QColor toQColor(TColor color)
{
    if (isSystemColor(color))
        return systemColorToQColor(static_cast<std::uint8_t>(color & 0xFFu));
    return QColor(static_cast<int>(color & 0xFFu), static_cast<int>((color >> 8) & 0xFFu),
                  static_cast<int>((color >> 16) & 0xFFu));
}

TColor fromQColor(const QColor &color)
{
    return rgbToColor(color.red(), color.green(), color.blue());
}
