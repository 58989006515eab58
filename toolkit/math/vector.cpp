/* Vectors: cross and dot products, exact and fast lengths, normalisation
 * with the toolkit's 0.004 zero threshold, and the quadrant-aware angle
 * used to turn directions into yaw and pitch. */
#include "vlx/math.h"

#include <cmath>

void VLp3_cross(const VLp3 *a, const VLp3 *b, VLp3 *out)
{
    VLp3 r;
    r.x = a->y * b->z - a->z * b->y;
    r.y = a->z * b->x - a->x * b->z;
    r.z = a->x * b->y - a->y * b->x;
    *out = r;
}

float VLp3_dot(const VLp3 *a, const VLp3 *b)
{
    return (float)((double)a->x * b->x + (double)a->y * b->y + (double)a->z * b->z);
}

float VLp3_length(const VLp3 *v)
{
    return (float)sqrt((double)v->x * v->x + (double)v->y * v->y + (double)v->z * v->z);
}

float VLp3_fastlength(const VLp3 *v)
{
    float ax = fabsf(v->x), ay = fabsf(v->y), az = fabsf(v->z);
    float big = fmaxf(ax, fmaxf(ay, az));
    return (1.4142135f * big + ax + ay + az) * 0.41421357f;
}

bool VLp3_normalise(VLp3 *v)
{
    double len = sqrt((double)v->x * v->x + (double)v->y * v->y + (double)v->z * v->z);
    if (!((float)len >= VLEPSILON)) return false;
    v->x = (float)(v->x / len);
    v->y = (float)(v->y / len);
    v->z = (float)(v->z / len);
    return true;
}

/* Negative for the sign bit, except that -0 counts as non-negative. */
static bool negative(float v)
{
    return std::signbit(v) && v != 0.0f;
}

/* atan2(-a, b) mapped into [-pi/2, 3pi/2]. The quadrant comes from the signs
 * of a and b (-0 behaves like +0); a near-zero b means a quarter turn. */
float VLangle_of(float a, float b)
{
    bool small_a = fabsf(a) < VLEPSILON, small_b = fabsf(b) < VLEPSILON;
    if (small_a && small_b) return 0.0f;
    float theta = small_b ? VLPI2 : (float)atan(fabs((double)a / b));
    bool neg_a = negative(a), neg_b = negative(b);
    if (!neg_a) return neg_b ? VLPI + theta : -theta;
    return neg_b ? VLPI - theta : theta;
}
