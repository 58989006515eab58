/* Matrices stored row by row: identities, transpose, products, applying a
 * 4x4 to row vectors (p.M), and the two 3x4 concatenations the scene graph
 * uses to accumulate transforms. Sums are taken in double. */
#include "vlx/math.h"

#include <string.h>

void VLm3_identity(VLm3 *out)
{
    memset(out->m, 0, sizeof out->m);
    out->m[0] = out->m[4] = out->m[8] = 1.0f;
}

void VLm4_identity(VLm4 *out)
{
    memset(out->m, 0, sizeof out->m);
    out->m[0] = out->m[5] = out->m[10] = out->m[15] = 1.0f;
}

void VLm4_transpose(const VLm4 *in, VLm4 *out)
{
    VLm4 t;
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++) t.m[4 * c + r] = in->m[4 * r + c];
    *out = t;
}

/* C = A.B for n x n row-major arrays; c must not overlap a or b. */
static void square_mult(const float *a, const float *b, float *c, int n)
{
    for (int r = 0; r < n; r++)
        for (int k = 0; k < n; k++) {
            double s = 0.0;
            for (int i = 0; i < n; i++) s += (double)a[n * r + i] * b[n * i + k];
            c[n * r + k] = (float)s;
        }
}

void VLm3_mult(const VLm3 *a, const VLm3 *b, VLm3 *out)
{
    VLm3 t;
    square_mult(a->m, b->m, t.m, 3);
    *out = t;
}

void VLm4_mult(const VLm4 *a, const VLm4 *b, VLm4 *out)
{
    VLm4 t;
    square_mult(a->m, b->m, t.m, 4);
    *out = t;
}

/* v.M over the upper-left 3x3, plus the translation row when asked. */
static VLp3 apply(const VLp3 *v, const VLm4 *m, bool translate)
{
    const float *e = m->m;
    double p[3] = { v->x, v->y, v->z }, o[3];
    for (int c = 0; c < 3; c++)
        o[c] = p[0] * e[c] + p[1] * e[4 + c] + p[2] * e[8 + c] + (translate ? e[12 + c] : 0.0);
    VLp3 r = { (float)o[0], (float)o[1], (float)o[2] };
    return r;
}

void VLm4_rotatevector(const VLp3 *v, const VLm4 *m, VLp3 *out)
{
    *out = apply(v, m, false);
}

void VLm4_transformpoint(const VLp3 *p, const VLm4 *m, VLp3 *out)
{
    *out = apply(p, m, true);
}

/* X's translation row carried through A: Xt.A(3x3) + At, into t[12..14]. */
static void carry_translation(const VLm4 *x, const VLm4 *a, VLm4 *t)
{
    VLp3 xt = { x->m[12], x->m[13], x->m[14] };
    VLp3 p = apply(&xt, a, true);
    t->m[12] = p.x, t->m[13] = p.y, t->m[14] = p.z;
}

void VLm4_concat(const VLm4 *x, const VLm4 *a, VLm4 *out)
{
    VLm4 t;
    for (int r = 0; r < 3; r++) {
        for (int c = 0; c < 3; c++) {
            double s = 0.0;
            for (int i = 0; i < 3; i++) s += (double)x->m[4 * r + i] * a->m[4 * i + c];
            t.m[4 * r + c] = (float)s;
        }
        t.m[4 * r + 3] = 0.0f;
    }
    carry_translation(x, a, &t);
    t.m[15] = 1.0f;
    *out = t;
}

void VLm4_concattranslation(const VLm4 *x, const VLm4 *a, VLm4 *out)
{
    VLm4 t = *a;
    carry_translation(x, a, &t);
    *out = t;
}
