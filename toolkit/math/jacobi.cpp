/* Cyclic Jacobi eigen-decomposition of a symmetric 3x3 (used for principal
 * axes). Works on the upper triangle only, in float: each rotation zeroes
 * one off-diagonal entry; sweeps repeat until the off-diagonal magnitudes
 * sum below 0.004. Early sweeps skip small entries; later sweeps drop
 * entries too small to change the diagonal. 50 sweeps without converging
 * is fatal. */
#include "vlx/math.h"

#include <math.h>

#include "core/messages.h"
#include "vlx/diag.h"

static const int JACOBI_MAX_SWEEPS = 50;

struct Jacobi {
    float *a;     /* the matrix, destroyed; a[p][q] at 3p + q */
    float *d;     /* eigenvalue estimates */
    float *v;     /* eigenvectors in columns */
    float b[3];   /* diagonal at the start of the sweep */
    float z[3];   /* diagonal corrections accumulated during the sweep */
};

/* One element pair of the rotation: (g, h) -> (g - s(h + g tau), h + s(g - h tau)). */
static void rotate_pair(float *g_at, float *h_at, float s, float tau)
{
    float g = *g_at, h = *h_at;
    *g_at = g - s * (h + g * tau);
    *h_at = h + s * (g - h * tau);
}

/* The rotation that zeroes a[p][q]; g is 100 |a[p][q]|. */
static void rotate(Jacobi *j, int p, int q, float g)
{
    float *a = j->a, apq = a[3 * p + q];
    float h = j->d[q] - j->d[p], t;
    if ((float)(fabsf(h) + g) == fabsf(h)) {
        t = apq / h;
    } else {
        float theta = 0.5f * h / apq;
        t = 1.0f / (fabsf(theta) + sqrtf(1.0f + theta * theta));
        if (theta < 0.0f) t = -t;
    }
    float c = 1.0f / sqrtf(1.0f + t * t), s = t * c, tau = s / (1.0f + c);
    h = t * apq;
    j->z[p] -= h, j->z[q] += h;
    j->d[p] -= h, j->d[q] += h;
    a[3 * p + q] = 0.0f;
    for (int k = 0; k < p; k++) rotate_pair(&a[3 * k + p], &a[3 * k + q], s, tau);
    for (int k = p + 1; k < q; k++) rotate_pair(&a[3 * p + k], &a[3 * k + q], s, tau);
    for (int k = q + 1; k < 3; k++) rotate_pair(&a[3 * p + k], &a[3 * q + k], s, tau);
    for (int k = 0; k < 3; k++) rotate_pair(&j->v[3 * k + p], &j->v[3 * k + q], s, tau);
}

/* One pass over the three upper off-diagonal entries. */
static void sweep(Jacobi *j, int n, float threshold)
{
    for (int p = 0; p < 2; p++)
        for (int q = p + 1; q < 3; q++) {
            float apq = fabsf(j->a[3 * p + q]), g = 100.0f * apq;
            float dp = fabsf(j->d[p]), dq = fabsf(j->d[q]);
            if (n > 4 && (float)(dp + g) == dp && (float)(dq + g) == dq)
                j->a[3 * p + q] = 0.0f;
            else if (apq > threshold)
                rotate(j, p, q, g);
        }
    for (int p = 0; p < 3; p++) {
        j->b[p] += j->z[p];
        j->d[p] = j->b[p];
        j->z[p] = 0.0f;
    }
}

void _VLjacobi(VLm3 *a, float d[3], VLm3 *v)
{
    Jacobi j = { a->m, d, v->m, { 0 }, { 0 } };
    VLm3_identity(v);
    for (int p = 0; p < 3; p++) j.b[p] = d[p] = a->m[4 * p];
    for (int n = 1; n <= JACOBI_MAX_SWEEPS; n++) {
        float s = fabsf(a->m[1]) + fabsf(a->m[2]) + fabsf(a->m[5]);
        if (s < VLEPSILON) return;
        sweep(&j, n, n < 4 ? 0.022222223f * s : 0.0f);
    }
    VLMSG(JACOBI_NO_CONVERGENCE);
}
