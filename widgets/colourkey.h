// Glyph art drawn on a key colour, turned into true alpha so smoothed edges carry no key-colour fringe.
#pragma once

#include <QImage>
#include <QRgb>

// Pixels within this many levels (every channel) of the key count as the key itself.
inline constexpr int kColourKeyTolerance = 24;

// The art with the key colour made transparent. Pixels beside the key that are a blend of the key
// and the art (anti-aliased edges) become partly transparent with the key's share taken out of
// their colour, so the art composites cleanly over any face. Every other pixel stays opaque and
// unchanged. The result is premultiplied ARGB.
QImage ColourKeyToAlpha(const QImage &art, QRgb key);
