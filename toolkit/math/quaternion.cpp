/* Quaternions (x, y, z, w): Hamilton products, rotation of row vectors by
 * p.R(q), Euler angles, orientations from directions, and R(q) itself.
 * R(q) row by row:
 *   1-2y2-2z2  2xy-2wz    2xz+2wy
 *   2xy+2wz    1-2x2-2z2  2yz-2wx
 *   2xz-2wy    2yz+2wx    1-2x2-2y2 */
#include "vlx/math.h"

#include <math.h>

/* R(q) in double, row by row. */
static void rotation_rows(const VLq *q, double r[9])
{
    double x = q->x, y = q->y, z = q->z, w = q->w;
    r[0] = 1 - 2 * y * y - 2 * z * z;
    r[1] = 2 * x * y - 2 * w * z;
    r[2] = 2 * x * z + 2 * w * y;
    r[3] = 2 * x * y + 2 * w * z;
    r[4] = 1 - 2 * x * x - 2 * z * z;
    r[5] = 2 * y * z - 2 * w * x;
    r[6] = 2 * x * z - 2 * w * y;
    r[7] = 2 * y * z + 2 * w * x;
    r[8] = 1 - 2 * x * x - 2 * y * y;
}

/* a (x) b, not normalised. */
static VLq hamilton(const VLq *a, const VLq *b)
{
    double x1 = a->x, y1 = a->y, z1 = a->z, w1 = a->w;
    double x2 = b->x, y2 = b->y, z2 = b->z, w2 = b->w;
    VLq r;
    r.w = (float)(w1 * w2 - x1 * x2 - y1 * y2 - z1 * z2);
    r.x = (float)(w1 * x2 + w2 * x1 + y1 * z2 - z1 * y2);
    r.y = (float)(w1 * y2 + w2 * y1 + z1 * x2 - x1 * z2);
    r.z = (float)(w1 * z2 + w2 * z1 + x1 * y2 - y1 * x2);
    return r;
}

void VLq_identity(VLq *out)
{
    out->x = out->y = out->z = 0.0f;
    out->w = 1.0f;
}

bool VLq_normalise(VLq *q)
{
    double len = sqrt((double)q->x * q->x + (double)q->y * q->y + (double)q->z * q->z +
                      (double)q->w * q->w);
    if (!((float)len >= VLEPSILON)) return false;
    q->x = (float)(q->x / len);
    q->y = (float)(q->y / len);
    q->z = (float)(q->z / len);
    q->w = (float)(q->w / len);
    return true;
}

void VLq_mult(const VLq *a, const VLq *b, VLq *out)
{
    VLq r = hamilton(a, b);
    VLq_normalise(&r);
    *out = r;
}

void VLq_relative(const VLq *a, const VLq *b, VLq *out)
{
    VLq conj = { -a->x, -a->y, -a->z, a->w };
    VLq_mult(&conj, b, out);
}

void VLq_rotate(const VLp3 *p, const VLq *q, VLp3 *out)
{
    double r[9];
    rotation_rows(q, r);
    double x = p->x, y = p->y, z = p->z;
    VLp3 o;
    o.x = (float)(x * r[0] + y * r[3] + z * r[6]);
    o.y = (float)(x * r[1] + y * r[4] + z * r[7]);
    o.z = (float)(x * r[2] + y * r[5] + z * r[8]);
    *out = o;
}

float VLq_rotatecomponent(const VLp3 *p, const VLq *q, int axis)
{
    if (axis < 0 || axis > 2) return 0.0f;
    double r[9];
    rotation_rows(q, r);
    return (float)(p->x * r[axis] + p->y * r[3 + axis] + p->z * r[6 + axis]);
}

/* The rotation by t about axis k: sin(t/2) on that axis, cos(t/2) as w. */
static VLq axis_rotation(int k, float t)
{
    VLq q = { 0.0f, 0.0f, 0.0f, (float)cos(t * 0.5) };
    float s = (float)sin(t * 0.5);
    if (k == 0) q.x = s;
    else if (k == 1) q.y = s;
    else q.z = s;
    return q;
}

void VLq_fromeuler(float a, float b, float c, VLq *out)
{
    VLq qx = axis_rotation(0, -a), qy = axis_rotation(1, -b), qz = axis_rotation(2, -c);
    VLq zy;
    VLq_mult(&qz, &qy, &zy);
    VLq_mult(&zy, &qx, out);
}

/* Yaw about y from the x/z components, then pitch about x from y against
 * the horizontal length; VLangle_of gives 0 for a zero pair. */
void VLq_fromdirection(const VLp3 *dir, VLq *out)
{
    float yaw = VLangle_of(dir->x, dir->z);
    float horizontal = (float)sqrt((double)dir->x * dir->x + (double)dir->z * dir->z);
    float pitch = VLangle_of(dir->y, horizontal);
    VLq q1, q2;
    VLq_fromeuler(0.0f, -yaw, 0.0f, &q1);
    VLq_fromeuler(pitch, 0.0f, 0.0f, &q2);
    VLq_mult(&q2, &q1, out);
}

void VLq_direction(const VLq *q, VLp3 *out)
{
    double x = q->x, y = q->y, z = q->z, w = q->w;
    VLp3 d;
    d.x = (float)(2 * (x * z - y * w));
    d.y = (float)(2 * (y * z + w * x));
    d.z = (float)(w * w - x * x - y * y + z * z);
    *out = d;
}

void VLq_tom3(const VLq *q, VLm3 *out)
{
    double r[9];
    rotation_rows(q, r);
    for (int i = 0; i < 9; i++) out->m[i] = (float)r[i];
}
