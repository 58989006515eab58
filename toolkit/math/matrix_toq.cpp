/* Matrix to quaternion: the rows of a 3x3 (alone or inside a 4x4) are made
 * orthonormal in place, then the quaternion q with R(q) equal to them is
 * extracted. A degenerate matrix (row 0, or row 1 once row 0's part is
 * removed, shorter than 0.004) gives the identity quaternion. */
#include "vlx/math.h"

#include <math.h>

/* Threshold on squared components during extraction. */
static const double TOQ_TINY = 1e-9;

static bool normalise_row(float *r)
{
    VLp3 v = { r[0], r[1], r[2] };
    if (!VLp3_normalise(&v)) return false;
    r[0] = v.x, r[1] = v.y, r[2] = v.z;
    return true;
}

/* Gram-Schmidt on rows 0 and 1, row 2 = row 0 x row 1. False if degenerate. */
static bool orthonormalise(float *r0, float *r1, float *r2)
{
    if (!normalise_row(r0)) return false;
    double along = (double)r1[0] * r0[0] + (double)r1[1] * r0[1] + (double)r1[2] * r0[2];
    for (int c = 0; c < 3; c++) r1[c] = (float)(r1[c] - along * r0[c]);
    if (!normalise_row(r1)) return false;
    VLp3 a = { r0[0], r0[1], r0[2] }, b = { r1[0], r1[1], r1[2] }, n;
    VLp3_cross(&a, &b, &n);
    r2[0] = n.x, r2[1] = n.y, r2[2] = n.z;
    return true;
}

/* q from an orthonormal m (m[r][c] as double). The trace branch is used
 * while w is not tiny; otherwise x, then y, then z carries the rotation. */
static VLq extract(const double m[3][3])
{
    VLq q = { 0.0f, 0.0f, 0.0f, 0.0f };
    double w2 = (m[0][0] + m[1][1] + m[2][2] + 1.0) / 4.0;
    if (w2 > TOQ_TINY) {
        double w = sqrt(w2);
        q.w = (float)w;
        q.x = (float)((m[1][2] - m[2][1]) / (4.0 * w));
        q.y = (float)((m[2][0] - m[0][2]) / (4.0 * w));
        q.z = (float)((m[0][1] - m[1][0]) / (4.0 * w));
    } else {
        double x2 = -(m[1][1] + m[2][2]) / 2.0, y2 = (1.0 - m[2][2]) / 2.0;
        if (x2 > TOQ_TINY) {
            double x = sqrt(x2);
            q.x = (float)x;
            q.y = (float)(m[0][1] / (2.0 * x));
            q.z = (float)(m[0][2] / (2.0 * x));
        } else if (y2 > TOQ_TINY) {
            double y = sqrt(y2);
            q.y = (float)y;
            q.z = (float)(m[1][2] / (2.0 * y));
        } else {
            q.z = 1.0f;
        }
    }
    /* The formulas above give the conjugate rotation in the w branch; the
     * negation makes R(q) match m (and only flips the sign of q otherwise). */
    q.x = -q.x, q.y = -q.y, q.z = -q.z;
    return q;
}

static void rows_toq(float *r0, float *r1, float *r2, VLq *out)
{
    VLq_identity(out);
    if (!orthonormalise(r0, r1, r2)) return;
    const float *rows[3] = { r0, r1, r2 };
    double m[3][3];
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++) m[r][c] = rows[r][c];
    *out = extract(m);
}

void VLm3_toq(VLm3 *m, VLq *out)
{
    rows_toq(m->m, m->m + 3, m->m + 6, out);
}

void VLm4_toposq(VLm4 *m, VLposq *out)
{
    out->pos.x = m->m[12];
    out->pos.y = m->m[13];
    out->pos.z = m->m[14];
    rows_toq(m->m, m->m + 4, m->m + 8, &out->q);
}
