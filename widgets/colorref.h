// Colour values as the controls store them (0x00BBGGRR, top bit = system colour) and their QColor.
#pragma once

#include <QColor>
#include <cstdint>

// A colour as the controls' properties hold it: 0x00BBGGRR with red in the low byte. A value with
// the top bit set names a system colour; its low byte is the index below.
using TColor = std::uint32_t;

inline constexpr TColor systemColorFlag = 0x80000000u;

// System colour indices, in the platform's numbering.
enum class SystemColor : std::uint8_t {
    Window = 5,
    WindowFrame = 6,
    WindowText = 8,
    Highlight = 13,
    HighlightText = 14,
    BtnFace = 15,
    BtnShadow = 16,
    GrayText = 17,
    BtnText = 18,
    BtnHighlight = 20,
    DarkShadow3D = 21,
    Light3D = 22,
};

constexpr TColor systemColor(SystemColor index)
{
    return systemColorFlag | static_cast<TColor>(index);
}

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clSkyBlue = 0xF0CAA6;
inline constexpr TColor clBtnFace = systemColor(SystemColor::BtnFace);
inline constexpr TColor clBtnShadow = systemColor(SystemColor::BtnShadow);
inline constexpr TColor clBtnHighlight = systemColor(SystemColor::BtnHighlight);
inline constexpr TColor clWindowFrame = systemColor(SystemColor::WindowFrame);
inline constexpr TColor clWindowText = systemColor(SystemColor::WindowText);
inline constexpr TColor clGrayText = systemColor(SystemColor::GrayText);

constexpr TColor rgbToColor(int red, int green, int blue)
{
    return static_cast<TColor>((red & 0xFF) | ((green & 0xFF) << 8) | ((blue & 0xFF) << 16));
}

constexpr bool isSystemColor(TColor color)
{
    return (color & systemColorFlag) != 0;
}

// The QColor a value stands for; system colours come from the application palette.
QColor toQColor(TColor color);

// The 0x00BBGGRR value of an opaque QColor (alpha is dropped).
TColor fromQColor(const QColor &color);
