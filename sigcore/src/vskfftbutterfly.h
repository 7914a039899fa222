/* Radix-2 and radix-4 butterflies on vectors of doubles of one width. Included once per width,
 * with VSK_BUTTERFLY_VEC naming the vector type and VSK_BUTTERFLY_NAME(name) the width's
 * names for the functions below; both are undefined again at the end. Every width does the
 * same IEEE operations lane by lane, so the width never changes a result. */
#if !defined(VSK_BUTTERFLY_VEC) || !defined(VSK_BUTTERFLY_NAME)
#error "define VSK_BUTTERFLY_VEC and VSK_BUTTERFLY_NAME before including vskfftbutterfly.h"
#endif

/* Twiddles of one radix-4 pass for consecutive k: W^k, W^2k, W^3k. */
typedef struct VSK_BUTTERFLY_NAME(vskTwiddles) {
    VSK_BUTTERFLY_VEC w1r, w1i, w2r, w2i, w3r, w3i;
} VSK_BUTTERFLY_NAME(vskTwiddles);

/* Radix-2 DIT butterfly on the lower and upper points q[0], q[1] with twiddle w. Forward
 * passes multiply by the table roots, inverse passes by their conjugates: `conj` is +1 or -1
 * and multiplies only imaginary parts of roots, which is exact. */
VSK_INLINE void VSK_BUTTERFLY_NAME(radix2Butterfly)(VSK_BUTTERFLY_VEC *re, VSK_BUTTERFLY_VEC *im,
                                                     VSK_BUTTERFLY_VEC wr, VSK_BUTTERFLY_VEC wi,
                                                     double conj)
{
    wi *= conj;
    const VSK_BUTTERFLY_VEC tr = wr * re[1] - wi * im[1], ti = wr * im[1] + wi * re[1];
    const VSK_BUTTERFLY_VEC lr = re[0], li = im[0];
    re[0] = lr + tr;
    im[0] = li + ti;
    re[1] = lr - tr;
    im[1] = li - ti;
}

/* The third twiddle as the product of the first two, formed in double precision. */
VSK_INLINE void VSK_BUTTERFLY_NAME(thirdTwiddle)(VSK_BUTTERFLY_NAME(vskTwiddles) *w)
{
    w->w3r = w->w1r * w->w2r - w->w1i * w->w2i;
    w->w3i = w->w1r * w->w2i + w->w1i * w->w2r;
}

/* Radix-4 DIT butterfly on the quarters q[0..3]. q[1] holds the residue-2 and q[2] the
 * residue-1 subsequence (bit-reversed order): t1 = w1 q2, t2 = w2 q1, t3 = w3 q3; the outputs
 * are in natural order. */
VSK_INLINE void VSK_BUTTERFLY_NAME(radix4Butterfly)(VSK_BUTTERFLY_VEC *re, VSK_BUTTERFLY_VEC *im,
                                                     VSK_BUTTERFLY_NAME(vskTwiddles) w, double conj)
{
    w.w1i *= conj;
    w.w2i *= conj;
    w.w3i *= conj;
    const VSK_BUTTERFLY_VEC t1r = w.w1r * re[2] - w.w1i * im[2], t1i = w.w1r * im[2] + w.w1i * re[2];
    const VSK_BUTTERFLY_VEC t2r = w.w2r * re[1] - w.w2i * im[1], t2i = w.w2r * im[1] + w.w2i * re[1];
    const VSK_BUTTERFLY_VEC t3r = w.w3r * re[3] - w.w3i * im[3], t3i = w.w3r * im[3] + w.w3i * re[3];
    const VSK_BUTTERFLY_VEC ar = re[0] + t2r, ai = im[0] + t2i;
    const VSK_BUTTERFLY_VEC br = re[0] - t2r, bi = im[0] - t2i;
    const VSK_BUTTERFLY_VEC cr = t1r + t3r, ci = t1i + t3i;
    /* (t1 - t3) times the quarter turn -i (forward) or +i (inverse). */
    const VSK_BUTTERFLY_VEC dr = conj * (t1i - t3i), di = conj * (t3r - t1r);
    re[0] = ar + cr;
    im[0] = ai + ci;
    re[2] = ar - cr;
    im[2] = ai - ci;
    re[1] = br + dr;
    im[1] = bi + di;
    re[3] = br - dr;
    im[3] = bi - di;
}

#undef VSK_BUTTERFLY_VEC
#undef VSK_BUTTERFLY_NAME
