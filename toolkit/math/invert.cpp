/* General 4x4 inverse by cofactor expansion (no assumption that the matrix
 * is a rigid transform). A determinant of exactly 0 is reported with a
 * warning and answered with the identity. */
#include "vlx/math.h"

#include "core/messages.h"
#include "vlx/diag.h"

/* Determinant of the 3x3 minor of m that leaves out row skip_r and column skip_c. */
static double minor_det(const double m[4][4], int skip_r, int skip_c)
{
    double s[3][3];
    for (int r = 0, i = 0; r < 4; r++) {
        if (r == skip_r) continue;
        for (int c = 0, j = 0; c < 4; c++)
            if (c != skip_c) s[i][j++] = m[r][c];
        i++;
    }
    return s[0][0] * (s[1][1] * s[2][2] - s[1][2] * s[2][1]) -
           s[0][1] * (s[1][0] * s[2][2] - s[1][2] * s[2][0]) +
           s[0][2] * (s[1][0] * s[2][1] - s[1][1] * s[2][0]);
}

int VLm4_invert(const VLm4 *m, VLm4 *out)
{
    double a[4][4], cof[4][4];
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++) a[r][c] = m->m[4 * r + c];
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++)
            cof[r][c] = ((r + c) % 2 ? -1.0 : 1.0) * minor_det(a, r, c);
    double det = 0.0;
    for (int c = 0; c < 4; c++) det += a[0][c] * cof[0][c];
    if (det == 0.0) {
        VLm4_identity(out);
        VLMSG(ZERO_DETERMINANT);
        return 0;
    }
    /* The inverse is the adjugate (transposed cofactors) over the determinant. */
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++) out->m[4 * r + c] = (float)(cof[c][r] / det);
    return 1;
}
