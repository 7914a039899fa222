// The window's artwork: SVG resources rendered into the images the face and its knobs show.
#include "skin.h"

#include <QPainter>
#include <QSvgRenderer>

// The resources live in a static library; registering them here keeps the linker from dropping them.
static void RegisterSkinResources()
{
    Q_INIT_RESOURCE(zelvaro);
}

namespace zelvaro {

void InitSkinResources()
{
    static const bool registered = [] {
        RegisterSkinResources();
        return true;
    }();
    (void)registered;
}

namespace {

constexpr int kOpaqueAlpha = 128;  // at least this much cover counts as part of the face

}  // namespace

QImage RenderSvg(const QString &resource)
{
    QSvgRenderer renderer(resource);
    if (!renderer.isValid())
        return {};
    QImage image(renderer.defaultSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    renderer.render(&painter);
    return image;
}

QImage RenderSkinFace()
{
    const QImage artwork = RenderSvg(QStringLiteral(":/zelvaro/skin.svg"));
    QImage face(artwork.size(), QImage::Format_RGB32);
    for (int y = 0; y < artwork.height(); ++y) {
        const auto *in = reinterpret_cast<const QRgb *>(artwork.constScanLine(y));
        auto *out = reinterpret_cast<QRgb *>(face.scanLine(y));
        for (int x = 0; x < artwork.width(); ++x) {
            const QRgb pixel = in[x];
            out[x] = qAlpha(pixel) < kOpaqueAlpha ? kSkinCutColour
                                                   : (qUnpremultiply(pixel) | 0xFF000000u);
        }
    }
    return face;
}

QPixmap RenderSkinImage(const QString &resource)
{
    return QPixmap::fromImage(RenderSvg(resource));
}

}  // namespace zelvaro
