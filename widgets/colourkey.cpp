// Glyph art drawn on a key colour, turned into true alpha so smoothed edges carry no key-colour fringe.
#include "colourkey.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr int kNeighbourhood = 2;  // colour sources are looked for this many pixels around an edge pixel
constexpr double kOpaque = 0.999;

using Rgb = std::array<double, 3>;

Rgb channels(QRgb p) { return {double(qRed(p)), double(qGreen(p)), double(qBlue(p))}; }

bool isKey(QRgb p, QRgb key)
{
    return std::abs(qRed(p) - qRed(key)) <= kColourKeyTolerance &&
           std::abs(qGreen(p) - qGreen(key)) <= kColourKeyTolerance &&
           std::abs(qBlue(p) - qBlue(key)) <= kColourKeyTolerance;
}

double dot(const Rgb &a, const Rgb &b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

Rgb minus(const Rgb &a, const Rgb &b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }

// Coverage of an edge pixel p that is a blend of the key k and a source colour f.
double coverage(const Rgb &p, const Rgb &k, const Rgb &f)
{
    const Rgb along = minus(f, k);
    const double length2 = dot(along, along);
    if (length2 <= 0.0)
        return 1.0;
    return std::clamp(dot(minus(p, k), along) / length2, 0.0, 1.0);
}

// How far p lies off the line from k through f: the part of p a blend of the two cannot explain.
double residual(const Rgb &p, const Rgb &k, const Rgb &f)
{
    const Rgb along = minus(f, k);
    const Rgb offset = minus(p, k);
    const double length2 = dot(along, along);
    const double t = length2 > 0.0 ? dot(offset, along) / length2 : 0.0;
    const Rgb off = {offset[0] - t * along[0], offset[1] - t * along[1], offset[2] - t * along[2]};
    return dot(off, off);
}

}  // namespace

QImage ColourKeyToAlpha(const QImage &art, QRgb key)
{
    if (art.isNull())
        return {};
    const QImage source = art.convertToFormat(QImage::Format_RGB32);
    const int width = source.width();
    const int height = source.height();
    auto at = [&](int x, int y) { return reinterpret_cast<const QRgb *>(source.constScanLine(y))[x]; };

    // Keyed pixels, and the art pixels that touch one (the only ones that may be blends).
    std::vector<char> keyed(std::size_t(width) * std::size_t(height));
    std::vector<char> edge(keyed.size());
    auto index = [width](int x, int y) { return std::size_t(y) * std::size_t(width) + std::size_t(x); };
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            keyed[index(x, y)] = isKey(at(x, y), key);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            if (keyed[index(x, y)])
                continue;
            for (int dy = -1; dy <= 1 && !edge[index(x, y)]; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int nx = x + dx;
                    const int ny = y + dy;
                    if (nx >= 0 && ny >= 0 && nx < width && ny < height && keyed[index(nx, ny)]) {
                        edge[index(x, y)] = 1;
                        break;
                    }
                }
        }

    const Rgb k = channels(key);
    QImage out(width, height, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < height; ++y) {
        auto *row = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = at(x, y);
            if (keyed[index(x, y)]) {
                row[x] = 0;
                continue;
            }
            if (!edge[index(x, y)]) {
                row[x] = pixel | 0xFF000000u;
                continue;
            }
            // The colour this edge blends with the key: the nearby inner art pixel that explains it
            // best; thin art has no inner pixels, so then the one farthest from the key.
            const Rgb p = channels(pixel);
            bool found = false;
            Rgb chosen{};
            double bestScore = std::numeric_limits<double>::infinity();
            bool fromInner = false;
            for (int dy = -kNeighbourhood; dy <= kNeighbourhood; ++dy)
                for (int dx = -kNeighbourhood; dx <= kNeighbourhood; ++dx) {
                    const int nx = x + dx;
                    const int ny = y + dy;
                    if (nx < 0 || ny < 0 || nx >= width || ny >= height || keyed[index(nx, ny)])
                        continue;
                    const bool inner = !edge[index(nx, ny)];
                    if (fromInner && !inner)
                        continue;
                    const Rgb candidate = channels(at(nx, ny));
                    const Rgb fromKey = minus(candidate, k);
                    const double score = inner ? residual(p, k, candidate) : -dot(fromKey, fromKey);
                    if ((inner && !fromInner) || score < bestScore) {
                        bestScore = score;
                        chosen = candidate;
                        found = true;
                        fromInner = fromInner || inner;
                    }
                }
            const double alpha = found ? coverage(p, k, chosen) : 1.0;
            if (alpha >= kOpaque) {
                row[x] = pixel | 0xFF000000u;
                continue;
            }
            // Premultiplied colour: the pixel less the key's share, within what the coverage allows.
            const double limit = 255.0 * alpha;
            auto part = [&](int c) {
                return int(std::lround(std::clamp(p[std::size_t(c)] - (1.0 - alpha) * k[std::size_t(c)], 0.0, limit)));
            };
            row[x] = qRgba(part(0), part(1), part(2), int(std::lround(limit)));
        }
    }
    return out;
}
