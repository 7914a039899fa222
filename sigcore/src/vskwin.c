/* Symmetric windows applied in place: one factor per pair of elements, from the edges inwards. */
#include "vskstatus.h"

#include <math.h>
#include <stddef.h>

static const char vskWinModule[] = "vskwin";

enum { VSK_WIN_MIN_ITEMS = 3 };

static const double vskTwoPi = 6.283185307179586476925286766559;

/* Largest accepted Kaiser shape parameter, beta * (n - 1) / 2. */
static const double vskKaiserMaxShape = 308.0;

/* Abramowitz and Stegun 9.8.1 (|x| < 3.75, polynomial in (x / 3.75)^2) and 9.8.2 (x >= 3.75,
 * I0(x) * sqrt(x) * e^-x as a polynomial in 3.75 / x). */
static const double vskI0Threshold = 3.75;
static const double vskI0SmallCoeffs[] = {1.0,       3.5156229, 3.0899424, 1.2067492,
                                          0.2659732, 0.0360768, 0.0045813};
static const double vskI0LargeCoeffs[] = {0.39894228,  0.01328592, 0.00225319,
                                          -0.00157565, 0.00916281, -0.02057706,
                                          0.02635537,  -0.01647633, 0.00392377};

static double vskPolynomial(const double *coeffs, size_t count, double t)
{
    double sum = coeffs[count - 1];
    for (size_t k = count - 1; k-- > 0;)
        sum = sum * t + coeffs[k];
    return sum;
}

/* I0 from the square of its argument, so the small regime needs no square root. */
static double vskBesselI0FromSquare(double xSquared)
{
    const double thresholdSquared = vskI0Threshold * vskI0Threshold;
    if (xSquared < thresholdSquared) {
        const size_t count = sizeof vskI0SmallCoeffs / sizeof vskI0SmallCoeffs[0];
        return vskPolynomial(vskI0SmallCoeffs, count, xSquared / thresholdSquared);
    }
    const double x = sqrt(xSquared);
    const size_t count = sizeof vskI0LargeCoeffs / sizeof vskI0LargeCoeffs[0];
    return exp(x) / sqrt(x) * vskPolynomial(vskI0LargeCoeffs, count, vskI0Threshold / x);
}

static double vskBesselI0(double x)
{
    const double magnitude = fabs(x);
    if (magnitude < vskI0Threshold) {
        const double t = magnitude / vskI0Threshold;
        const size_t count = sizeof vskI0SmallCoeffs / sizeof vskI0SmallCoeffs[0];
        return vskPolynomial(vskI0SmallCoeffs, count, t * t);
    }
    return vskBesselI0FromSquare(magnitude * magnitude);
}

/* The check every window makes, null vector before length. */
static int vskWinArgsOk(const char *function, const float *vec, int32_t n)
{
    if (vec == NULL) {
        VSK_BAD_ARG(function, "Null pointer to buffer", vskWinModule);
        return 0;
    }
    if (n < VSK_WIN_MIN_ITEMS) {
        VSK_BAD_ARG(function, "Bad number of items", vskWinModule);
        return 0;
    }
    return 1;
}

/* Element i and its mirror get the same factor. On odd lengths the last pair is the middle element
 * twice, so it gets the middle factor twice, as the pair count (n + 1) / 2 implies. */
static void vskApplyPair(float *vec, int64_t last, int64_t i, double factor)
{
    vec[i] = (float)(vec[i] * factor);
    vec[last - i] = (float)(vec[last - i] * factor);
}

/* w(i) = constant - firstCos * cos(i theta) - secondCos * cos(2 i theta), theta = 2 pi / (n - 1).
 * One cosine per call: the rest comes from the Chebyshev recurrence in double precision, whose
 * drift stays below 1e-8 for windows of 65536 points. */
static void vskCosineWindow(float *vec, int32_t n, double constant, double firstCos, double secondCos)
{
    const int64_t last = (int64_t)n - 1;
    const int64_t pairs = ((int64_t)n + 1) / 2;
    const double stepCos = cos(-vskTwoPi / (double)last);
    double cosPrevious = stepCos; /* cos(-theta) */
    double cosCurrent = 1.0;      /* cos(0) */
    for (int64_t i = 0; i < pairs; ++i) {
        const double cosDouble = 2.0 * cosCurrent * cosCurrent - 1.0;
        vskApplyPair(vec, last, i, constant - firstCos * cosCurrent - secondCos * cosDouble);
        const double cosNext = 2.0 * stepCos * cosCurrent - cosPrevious;
        cosPrevious = cosCurrent;
        cosCurrent = cosNext;
    }
}

void vsksWinHann(float *vec, int32_t n)
{
    if (vskWinArgsOk("vsksWinHann", vec, n))
        vskCosineWindow(vec, n, 0.5, 0.5, 0.0);
}

void vsksWinHamming(float *vec, int32_t n)
{
    if (vskWinArgsOk("vsksWinHamming", vec, n))
        vskCosineWindow(vec, n, 0.54, 0.46, 0.0);
}

/* alpha = -0.16 gives the classic 0.42 / 0.5 / 0.08 window. */
void vsksWinBlackman(float *vec, int32_t n, float alpha)
{
    if (vskWinArgsOk("vsksWinBlackman", vec, n))
        vskCosineWindow(vec, n, 0.5 + 0.5 * (double)alpha, 0.5, 0.5 * (double)alpha);
}

void vsksWinBartlett(float *vec, int32_t n)
{
    if (!vskWinArgsOk("vsksWinBartlett", vec, n))
        return;
    const int64_t last = (int64_t)n - 1;
    const int64_t pairs = ((int64_t)n + 1) / 2;
    const double step = 2.0 / (double)last;
    for (int64_t i = 0; i < pairs; ++i)
        vskApplyPair(vec, last, i, (double)i * step);
}

/* beta is per sample: the conventional shape parameter is beta * (n - 1) / 2, and the argument of
 * I0 at position i is beta * sqrt(i * (n - 1 - i)). The window depends on beta only through its
 * square, so the size check applies to the magnitude of the shape; a NaN beta fails it too. */
void vsksWinKaiser(float *vec, int32_t n, float beta)
{
    if (!vskWinArgsOk("vsksWinKaiser", vec, n))
        return;
    const int64_t last = (int64_t)n - 1;
    const double shape = 0.5 * (double)beta * (double)last;
    if (!(fabs(shape) <= vskKaiserMaxShape)) {
        VSK_BAD_ARG("vsksWinKaiser", "Huge window parameter", vskWinModule);
        return;
    }
    const double norm = 1.0 / vskBesselI0(shape);
    const double betaSquared = (double)beta * (double)beta;
    const int64_t pairs = (int64_t)n / 2;
    int64_t positionProduct = 0; /* i * (n - 1 - i), kept exact in 64 bits */
    for (int64_t i = 0; i < pairs; ++i) {
        const double factor = norm * vskBesselI0FromSquare(betaSquared * (double)positionProduct);
        vskApplyPair(vec, last, i, factor);
        positionProduct += (int64_t)n - 2 - 2 * i;
    }
}
