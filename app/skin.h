// The window's artwork: SVG resources rendered into the images the face and its knobs show.
#pragma once

#include <QImage>
#include <QPixmap>
#include <QString>

namespace zelvaro {

// Colour of the pixels outside the face: the shaped window cuts every pixel of this colour away.
constexpr QRgb kSkinCutColour = qRgb(255, 0, 255);

// Registers the artwork resources; every function below needs it, the first call is enough.
void InitSkinResources();

// The 671 x 474 face. Pixels that the artwork leaves mostly transparent take kSkinCutColour,
// the others become opaque, so the outline has no fringe of half-blended colour.
QImage RenderSkinFace();

// A knob or tab image with its transparency kept, for an image control over the face.
QPixmap RenderSkinImage(const QString &resource);

// Renders an SVG resource at its own size into an ARGB image (empty when it cannot be read).
QImage RenderSvg(const QString &resource);

}  // namespace zelvaro
