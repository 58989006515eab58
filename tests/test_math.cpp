// Math family: vectors, quaternions, matrices, inverse and Jacobi.
#include "vlx/math.h"

#include <gtest/gtest.h>

#include <cmath>

#include "core/messages.h"
#include "support/messages.h"

namespace {

const float TOL = 1e-5f;

testing::AssertionResult Near(const float *a, const float *b, int n, float tol = TOL)
{
    for (int i = 0; i < n; i++)
        if (!(std::fabs(a[i] - b[i]) <= tol))
            return testing::AssertionFailure()
                   << "element " << i << ": " << a[i] << " vs " << b[i];
    return testing::AssertionSuccess();
}

testing::AssertionResult Near(const VLp3 &a, const VLp3 &b, float tol = TOL)
{
    return Near(&a.x, &b.x, 3, tol);
}

testing::AssertionResult Near(const VLq &a, const VLq &b, float tol = TOL)
{
    return Near(&a.x, &b.x, 4, tol);
}

testing::AssertionResult Near(const VLm3 &a, const VLm3 &b, float tol = TOL)
{
    return Near(a.m, b.m, 9, tol);
}

testing::AssertionResult Near(const VLm4 &a, const VLm4 &b, float tol = TOL)
{
    return Near(a.m, b.m, 16, tol);
}

// Quaternions q and -q are the same rotation.
testing::AssertionResult SameRotation(const VLq &a, const VLq &b, float tol = TOL)
{
    VLq neg = { -b.x, -b.y, -b.z, -b.w };
    if (Near(&a.x, &b.x, 4, tol) || Near(&a.x, &neg.x, 4, tol)) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "(" << a.x << ", " << a.y << ", " << a.z << ", " << a.w
                                       << ") vs (" << b.x << ", " << b.y << ", " << b.z << ", "
                                       << b.w << ")";
}

VLq AxisAngle(float x, float y, float z, float angle)
{
    float n = std::sqrt(x * x + y * y + z * z), s = std::sin(angle / 2) / n;
    return VLq{ x * s, y * s, z * s, std::cos(angle / 2) };
}

// Rotation matrices written out independently of the quaternion code.
VLm3 RotX(float t)
{
    float c = std::cos(t), s = std::sin(t);
    return VLm3{ { 1, 0, 0, 0, c, -s, 0, s, c } };
}

VLm3 RotY(float t)
{
    float c = std::cos(t), s = std::sin(t);
    return VLm3{ { c, 0, s, 0, 1, 0, -s, 0, c } };
}

VLm3 RotZ(float t)
{
    float c = std::cos(t), s = std::sin(t);
    return VLm3{ { c, -s, 0, s, c, 0, 0, 0, 1 } };
}

VLm3 Mul(VLm3 a, VLm3 b)
{
    VLm3 r;
    VLm3_mult(&a, &b, &r);
    return r;
}

VLm4 Affine(const VLm3 &r, float tx, float ty, float tz)
{
    return VLm4{ { r.m[0], r.m[1], r.m[2], 0, r.m[3], r.m[4], r.m[5], 0, r.m[6], r.m[7], r.m[8],
                   0, tx, ty, tz, 1 } };
}

VLm4 Identity4()
{
    VLm4 i;
    VLm4_identity(&i);
    return i;
}

const VLq kUnitQuaternions[] = {
    { 0, 0, 0, 1 },
    { 1, 0, 0, 0 },  // 180 degrees about x
    { 0, 1, 0, 0 },  // about y
    { 0, 0, 1, 0 },  // about z
    AxisAngle(1, 0, 0, VLPI2),
    AxisAngle(0, 1, 0, -VLPI2),
    AxisAngle(0, 0, 1, 2.5f),
    AxisAngle(1, 2, 3, 0.7f),
    AxisAngle(-1, 0.5f, 2, 3.0f),
    AxisAngle(0.3f, -1, 0.2f, 3.1f),  // close to a half turn
    AxisAngle(1, 1, 0, VLPI),         // half turn about a diagonal
};

// ---------------------------------------------------------------- vectors

TEST(MathVector, CrossProductIsRightHandedAndAliasSafe)
{
    VLp3 x = { 1, 0, 0 }, y = { 0, 1, 0 }, z;
    VLp3_cross(&x, &y, &z);
    EXPECT_TRUE(Near(z, VLp3{ 0, 0, 1 }));
    VLp3 a = { 1, 2, 3 }, b = { -4, 5, 0.5f };
    VLp3_cross(&a, &b, &a);
    EXPECT_TRUE(Near(a, VLp3{ 2 * 0.5f - 3 * 5, 3 * -4 - 1 * 0.5f, 1 * 5 - 2 * -4 }));
}

TEST(MathVector, FastLengthIsExactOnAxesAndSlightlyHighOnDiagonal)
{
    VLp3 axes[] = { { 1, 0, 0 }, { 0, -2, 0 }, { 0, 0, 7.5f } };
    for (const VLp3 &v : axes) EXPECT_FLOAT_EQ(VLp3_fastlength(&v), VLp3_length(&v));
    VLp3 diag = { 1, 1, 1 };
    float ratio = VLp3_fastlength(&diag) / VLp3_length(&diag);
    EXPECT_GT(ratio, 1.05f);
    EXPECT_LT(ratio, 1.07f);
}

TEST(MathVector, NormaliseTreatsLengthsBelowThresholdAsZero)
{
    VLp3 tiny = { 0.003f, 0.001f, 0 };
    EXPECT_FALSE(VLp3_normalise(&tiny));
    EXPECT_TRUE(Near(tiny, VLp3{ 0.003f, 0.001f, 0 }, 0));
    VLp3 edge = { 0, VLEPSILON, 0 };
    EXPECT_TRUE(VLp3_normalise(&edge));
    EXPECT_TRUE(Near(edge, VLp3{ 0, 1, 0 }));
    VLp3 v = { 3, 0, -4 };
    EXPECT_TRUE(VLp3_normalise(&v));
    EXPECT_TRUE(Near(v, VLp3{ 0.6f, 0, -0.8f }));
    EXPECT_FLOAT_EQ(VLp3_dot(&v, &v), 1.0f);
}

TEST(MathAngleOf, QuadrantTable)
{
    struct Case { float a, b, expected; };
    const float q = VLPI / 4;
    const Case cases[] = {
        { 1, 1, -q },          { 1, -1, VLPI + q },      { -1, -1, 3 * q },
        { -1, 1, q },          { 1, 0, -VLPI2 },         { 1, -0.003f, 3 * VLPI2 },
        { -1, 0.003f, VLPI2 }, { -1, -0.0f, VLPI2 },     { 1, -0.0f, -VLPI2 },
        { 0.003f, -0.002f, 0 }, { 2, 2 * std::sqrt(3.0f), -VLPI / 6 },
    };
    for (const Case &c : cases)
        EXPECT_NEAR(VLangle_of(c.a, c.b), c.expected, 1e-6f) << "a=" << c.a << " b=" << c.b;
}

TEST(MathAngleOf, ZeroNumeratorGivesNegativeZero)
{
    // a is +0 or -0 (both non-negative) and b positive: the result is -theta = -0.
    for (float a : { 0.0f, -0.0f }) {
        float r = VLangle_of(a, 1);
        EXPECT_EQ(r, 0.0f);
        EXPECT_TRUE(std::signbit(r));
    }
}

TEST(MathAngleOf, AgreesWithAtan2InItsRange)
{
    for (float a = -3; a <= 3; a += 0.37f)
        for (float b = -3; b <= 3; b += 0.41f) {
            if (std::fabs(b) < VLEPSILON) continue;
            float r = VLangle_of(a, b);
            EXPECT_GE(r, -VLPI2 - 1e-6f);
            EXPECT_LE(r, 3 * VLPI2 + 1e-6f);
            float len = std::sqrt(a * a + b * b);
            EXPECT_NEAR(std::cos(r), b / len, 1e-5f) << a << " " << b;
            EXPECT_NEAR(std::sin(r), -a / len, 1e-5f) << a << " " << b;
        }
}

// ------------------------------------------------------------ quaternions

TEST(MathQuaternion, HamiltonProductOfBasisUnits)
{
    const VLq i = { 1, 0, 0, 0 }, j = { 0, 1, 0, 0 }, k = { 0, 0, 1, 0 };
    struct Case { VLq a, b, expected; };
    const Case cases[] = {
        { i, j, k }, { j, k, i }, { k, i, j },
        { j, i, { 0, 0, -1, 0 } }, { i, i, { 0, 0, 0, -1 } },
    };
    for (const Case &c : cases) {
        VLq r;
        VLq_mult(&c.a, &c.b, &r);
        EXPECT_TRUE(Near(r, c.expected));
    }
}

TEST(MathQuaternion, ProductMatrixIsMatrixProductAndResultIsNormalised)
{
    VLq a = AxisAngle(1, 2, 3, 0.7f), b = AxisAngle(-2, 0, 1, 1.9f), ab;
    VLq_mult(&a, &b, &ab);
    VLm3 ra, rb, rab;
    VLq_tom3(&a, &ra), VLq_tom3(&b, &rb), VLq_tom3(&ab, &rab);
    EXPECT_TRUE(Near(rab, Mul(ra, rb)));

    VLq twice = { 0, 0, 0, 2 }, scaled = { 0, 0, 0, 3 };
    VLq_mult(&twice, &scaled, &twice);
    EXPECT_TRUE(Near(twice, VLq{ 0, 0, 0, 1 }));
}

TEST(MathQuaternion, RelativeTakesFirstOrientationToSecond)
{
    VLq a = AxisAngle(1, 2, 3, 0.7f), b = AxisAngle(0, 1, -1, 2.2f), rel, back;
    VLq_relative(&a, &b, &rel);
    VLq_mult(&a, &rel, &back);
    EXPECT_TRUE(SameRotation(back, b));
    VLq_relative(&a, &a, &rel);
    EXPECT_TRUE(SameRotation(rel, VLq{ 0, 0, 0, 1 }));
}

TEST(MathQuaternion, RotateIsRowVectorTimesMatrix)
{
    const VLp3 points[] = { { 1, 0, 0 }, { 0, 0, 1 }, { 2, -3, 0.5f } };
    for (const VLq &q : kUnitQuaternions) {
        VLm3 r;
        VLq_tom3(&q, &r);
        for (const VLp3 &p : points) {
            VLp3 expected = { p.x * r.m[0] + p.y * r.m[3] + p.z * r.m[6],
                              p.x * r.m[1] + p.y * r.m[4] + p.z * r.m[7],
                              p.x * r.m[2] + p.y * r.m[5] + p.z * r.m[8] };
            VLp3 out = p;
            VLq_rotate(&out, &q, &out);
            EXPECT_TRUE(Near(out, expected));
            for (int axis = 0; axis < 3; axis++)
                EXPECT_NEAR(VLq_rotatecomponent(&p, &q, axis), (&expected.x)[axis], TOL);
        }
    }
}

TEST(MathQuaternion, DirectionIsRotatedZAxis)
{
    const VLp3 z = { 0, 0, 1 };
    for (const VLq &q : kUnitQuaternions) {
        VLp3 rotated, dir;
        VLq_rotate(&z, &q, &rotated);
        VLq_direction(&q, &dir);
        EXPECT_TRUE(Near(dir, rotated));
    }
}

TEST(MathQuaternion, FromEuler)
{
    VLq q;
    VLq_fromeuler(0, 0, 0, &q);
    EXPECT_TRUE(Near(q, VLq{ 0, 0, 0, 1 }, 0));
    VLq_fromeuler(VLPI2, 0, 0, &q);
    EXPECT_TRUE(Near(q, VLq{ -0.70710678f, 0, 0, 0.70710678f }));

    // Composed as Qz(-c) (x) Qy(-b) (x) Qx(-a).
    float a = 0.4f, b = -1.1f, c = 2.0f;
    VLq qx, qy, qz, zy, expected;
    VLq_fromeuler(a, 0, 0, &qx);
    VLq_fromeuler(0, b, 0, &qy);
    VLq_fromeuler(0, 0, c, &qz);
    EXPECT_TRUE(SameRotation(qy, AxisAngle(0, 1, 0, -b)));
    EXPECT_TRUE(SameRotation(qz, AxisAngle(0, 0, 1, -c)));
    VLq_mult(&qz, &qy, &zy);
    VLq_mult(&zy, &qx, &expected);
    VLq_fromeuler(a, b, c, &q);
    EXPECT_TRUE(SameRotation(q, expected));
}

TEST(MathQuaternion, FromDirectionPointsAlongNormalisedInput)
{
    const VLp3 dirs[] = { { 0, 0, 1 },  { 0, 0, -2 },  { 1, 0, 0 },    { -3, 0, 0 },
                          { 0, 5, 0 },  { 0, -1, 0 },  { 1, 2, 3 },    { -1, -1, 0.5f },
                          { 2, -7, -1 }, { 0.01f, 1, 0.3f } };
    for (const VLp3 &d : dirs) {
        VLq q;
        VLp3 dir, expected = d;
        VLq_fromdirection(&d, &q);
        VLq_direction(&q, &dir);
        ASSERT_TRUE(VLp3_normalise(&expected));
        EXPECT_TRUE(Near(dir, expected, 1e-4f)) << d.x << " " << d.y << " " << d.z;
    }
    // Components below 0.004 count as zero: a zero direction keeps the
    // identity, and a z that small makes the yaw a quarter turn, so the
    // horizontal part swings onto x (pitch still uses its full length).
    VLp3 zero = { 0.001f, 0, -0.002f }, dir;
    VLq q;
    VLq_fromdirection(&zero, &q);
    EXPECT_TRUE(SameRotation(q, VLq{ 0, 0, 0, 1 }));
    VLp3 steep = { 0.01f, 1, 0.001f }, expected = { std::hypot(0.01f, 0.001f), 1, 0 };
    VLp3_normalise(&expected);
    VLq_fromdirection(&steep, &q);
    VLq_direction(&q, &dir);
    EXPECT_TRUE(Near(dir, expected));
}

// ------------------------------------------------- matrix <-> quaternion

TEST(MathMatrixToQuaternion, RoundTripGivesSameQuaternionUpToSign)
{
    for (const VLq &q : kUnitQuaternions) {
        VLm3 m;
        VLq out;
        VLq_tom3(&q, &m);
        VLm3_toq(&m, &out);
        EXPECT_TRUE(SameRotation(out, q, 1e-4f));
    }
}

TEST(MathMatrixToQuaternion, RotationOfResultIsTheMatrix)
{
    const VLm3 rotations[] = {
        RotX(0.3f), RotY(-1.2f), RotZ(2.9f), RotX(VLPI), RotY(VLPI), RotZ(VLPI),
        Mul(Mul(RotZ(0.5f), RotY(1.0f)), RotX(-2.0f)), Mul(RotX(VLPI), RotZ(VLPI2)),
        Mul(RotY(2.8f), RotX(2.9f)),
    };
    for (const VLm3 &r : rotations) {
        VLm3 m = r, back;
        VLq q;
        VLm3_toq(&m, &q);
        VLq_tom3(&q, &back);
        EXPECT_TRUE(Near(back, r, 1e-4f));
        EXPECT_TRUE(Near(m, r, 1e-5f));  // already orthonormal: unchanged
    }
}

TEST(MathMatrixToQuaternion, OrthonormalisesInPlace)
{
    const VLm3 r = Mul(RotZ(0.8f), RotX(-0.6f));
    VLm3 m = r;
    for (int c = 0; c < 3; c++) {
        m.m[c] *= 3.0f;                        // scaled row 0
        m.m[3 + c] += 0.5f * m.m[c];           // row 1 leaning towards row 0
        m.m[6 + c] = 9.0f;                     // row 2 is rebuilt
    }
    VLq q;
    VLm3_toq(&m, &q);
    EXPECT_TRUE(Near(m, r, 1e-5f));
    VLm3 back;
    VLq_tom3(&q, &back);
    EXPECT_TRUE(Near(back, r, 1e-4f));
}

TEST(MathMatrixToQuaternion, DegenerateMatrixGivesIdentity)
{
    const VLm3 cases[] = {
        { { 0.002f, 0, 0.001f, 0, 1, 0, 0, 0, 1 } },  // row 0 counts as zero
        { { 1, 2, 3, 2, 4, 6.005f, 0, 0, 1 } },       // row 1 nearly parallel
    };
    for (VLm3 m : cases) {
        VLq q = { 5, 5, 5, 5 };
        VLm3_toq(&m, &q);
        EXPECT_TRUE(Near(q, VLq{ 0, 0, 0, 1 }, 0));
    }
}

TEST(MathMatrixToQuaternion, PositionAndOrientationFromFourByFour)
{
    const VLm3 r = Mul(RotY(1.3f), RotZ(-0.4f));
    VLm4 m = Affine(r, 4, -5, 6);
    m.m[3] = 7, m.m[7] = 8, m.m[11] = 9;  // the last column is not part of the 3x3
    VLposq pq;
    VLm4_toposq(&m, &pq);
    EXPECT_TRUE(Near(pq.pos, VLp3{ 4, -5, 6 }, 0));
    VLm3 back;
    VLq_tom3(&pq.q, &back);
    EXPECT_TRUE(Near(back, r, 1e-4f));
    EXPECT_EQ(m.m[3], 7);
    EXPECT_EQ(m.m[7], 8);
    EXPECT_EQ(m.m[11], 9);
}

// --------------------------------------------------------------- matrices

TEST(MathMatrix, ProductsAndTransposeMayWriteOverTheirInputs)
{
    VLm4 a, b, expected;
    for (int i = 0; i < 16; i++) a.m[i] = (float)(i * i % 7) - 3, b.m[i] = (float)(i % 5) + 0.5f;
    VLm4_mult(&a, &b, &expected);
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++) {
            float s = 0;
            for (int k = 0; k < 4; k++) s += a.m[4 * r + k] * b.m[4 * k + c];
            EXPECT_FLOAT_EQ(expected.m[4 * r + c], s);
        }
    VLm4 x = a, y = b;
    VLm4_mult(&x, &y, &x);
    EXPECT_TRUE(Near(x, expected, 0));
    x = a;
    VLm4_mult(&x, &y, &y);
    EXPECT_TRUE(Near(y, expected, 0));
    x = a;
    VLm4_mult(&x, &x, &x);
    VLm4_mult(&a, &a, &expected);
    EXPECT_TRUE(Near(x, expected, 0));

    VLm3 p = RotX(0.5f), q = RotZ(1.0f), pq = Mul(p, q);
    VLm3_mult(&p, &q, &q);
    EXPECT_TRUE(Near(q, pq, 0));

    VLm4 t = a;
    VLm4_transpose(&t, &t);
    for (int r = 0; r < 4; r++)
        for (int c = 0; c < 4; c++) EXPECT_EQ(t.m[4 * c + r], a.m[4 * r + c]);
}

TEST(MathMatrix, PointsAreRowVectorsWithTranslationInLastRow)
{
    VLm4 m = Affine(RotZ(VLPI2), 10, 20, 30);
    VLp3 p = { 1, 0, 0 }, out;
    VLm4_rotatevector(&p, &m, &out);
    EXPECT_TRUE(Near(out, VLp3{ 0, -1, 0 }));  // row 0 of the matrix
    VLm4_transformpoint(&p, &m, &p);
    EXPECT_TRUE(Near(p, VLp3{ 10, 19, 30 }));

    // Applying A then B is A.B.
    VLm4 a = Affine(RotX(0.7f), 1, 2, 3), b = Affine(RotY(-0.4f), -2, 0, 5), ab;
    VLm4_mult(&a, &b, &ab);
    VLp3 q = { 0.5f, -1, 2 }, twice, once;
    VLm4_transformpoint(&q, &a, &twice);
    VLm4_transformpoint(&twice, &b, &twice);
    VLm4_transformpoint(&q, &ab, &once);
    EXPECT_TRUE(Near(once, twice));
}

TEST(MathMatrix, ConcatenationsMatchTheFullProductOfTransforms)
{
    VLm4 x = Affine(Mul(RotX(0.3f), RotZ(1.1f)), 1, -2, 3);
    VLm4 a = Affine(RotY(-0.9f), 4, 5, -6);
    VLm4 expected, out = a;
    VLm4_mult(&x, &a, &expected);
    VLm4_concat(&x, &out, &out);
    EXPECT_TRUE(Near(out, expected));

    VLm4 dirty = x;
    dirty.m[3] = dirty.m[7] = dirty.m[11] = 0.25f, dirty.m[15] = 2;
    VLm4_concat(&dirty, &a, &out);
    EXPECT_TRUE(Near(out, expected));  // last column is forced to 0, 0, 0, 1

    VLm4 shift = Affine(RotX(0), 7, -1, 2);
    VLm4_mult(&shift, &a, &expected);
    out = a;
    VLm4_concattranslation(&shift, &out, &out);
    EXPECT_TRUE(Near(out, expected));
}

TEST(MathInvert, GeneralMatrixTimesInverseIsIdentity)
{
    const VLm4 cases[] = {
        Affine(Mul(RotX(0.3f), RotY(2.0f)), 5, -3, 8),
        { { 2, -1, 0, 3, 1, 4, -2, 0, 0, 5, 1, 1, 3, 0, -1, 2 } },  // not a transform
        { { 0, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0.5f } },  // row 0 leads with 0
    };
    for (const VLm4 &m : cases) {
        VLm4 inv, prod;
        ASSERT_EQ(VLm4_invert(&m, &inv), 1);
        VLm4_mult(&m, &inv, &prod);
        EXPECT_TRUE(Near(prod, Identity4(), 1e-5f));
        VLm4 same = m;
        ASSERT_EQ(VLm4_invert(&same, &same), 1);
        EXPECT_TRUE(Near(same, inv, 0));
    }
}

TEST(MathInvert, SingularMatrixGivesIdentityAndWarning)
{
    const VLm4 cases[] = {
        { { 1, 2, 3, 4, 0, 0, 0, 0, 5, 6, 7, 8, 9, 1, 2, 3 } },  // zero row
        { { 1, 2, 3, 4, 2, 0, 1, 5, 1, 2, 3, 4, 0, 0, 0, 1 } },  // repeated row
        { { 0 } },
    };
    for (const VLm4 &m : cases) {
        VLm4 out;
        for (float &e : out.m) e = 42;
        record_messages();
        testing::internal::CaptureStdout();
        EXPECT_EQ(VLm4_invert(&m, &out), 0);
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "VLX Warning: zero matrix determinant in VLm4_invert\n");
        stop_recording();
        EXPECT_TRUE(Near(out, Identity4(), 0));
        ASSERT_EQ(fired().size(), 1u);
        EXPECT_EQ(fired()[0].format, VLTXT_ZERO_DETERMINANT);
    }
}

// ----------------------------------------------------------------- Jacobi

TEST(MathJacobi, DiagonalOrNearlyDiagonalReturnsAtOnce)
{
    // The second case has off-diagonal magnitudes summing below 0.004.
    const VLm3 cases[] = {
        { { 3, 0, 0, 0, -1, 0, 0, 0, 7 } },
        { { 2, 0.001f, 0.001f, 0.001f, 5, 0.001f, 0.001f, 0.001f, 1 } },
    };
    for (const VLm3 &c : cases) {
        VLm3 a = c, v;
        float d[3];
        _VLjacobi(&a, d, &v);
        for (int i = 0; i < 3; i++) EXPECT_EQ(d[i], c.m[4 * i]);
        VLm3 identity;
        VLm3_identity(&identity);
        EXPECT_TRUE(Near(v, identity, 0));
    }
}

TEST(MathJacobi, EigenpairsOfSymmetricMatrices)
{
    const VLm3 cases[] = {
        { { 4, 1, -2, 1, 2, 0, -2, 0, 3 } },
        { { 2, 1, 0, 1, 2, 0, 0, 0, 3 } },  // repeated eigenvalue 3
        { { 10, -3, 0.5f, -3, -4, 6, 0.5f, 6, 1 } },
        { { 0.01f, 0.02f, 0.03f, 0.02f, 0.05f, 0.01f, 0.03f, 0.01f, 0.02f } },
    };
    // Sweeps stop once the off-diagonal magnitudes sum below 0.004, which
    // bounds the residual |A.v - d.v| of every eigenpair.
    for (const VLm3 &c : cases) {
        VLm3 a = c, v, vtv, vt;
        float d[3];
        _VLjacobi(&a, d, &v);
        for (int col = 0; col < 3; col++)
            for (int r = 0; r < 3; r++) {
                float av = c.m[3 * r] * v.m[col] + c.m[3 * r + 1] * v.m[3 + col] +
                           c.m[3 * r + 2] * v.m[6 + col];
                EXPECT_NEAR(av, d[col] * v.m[3 * r + col], VLEPSILON) << "column " << col;
            }
        for (int r = 0; r < 3; r++)
            for (int k = 0; k < 3; k++) vt.m[3 * r + k] = v.m[3 * k + r];
        VLm3_mult(&vt, &v, &vtv);
        VLm3 identity;
        VLm3_identity(&identity);
        EXPECT_TRUE(Near(vtv, identity, 1e-5f));
    }
}

TEST(MathJacobiDeathTest, NonConvergenceIsFatal)
{
    // A NaN entry never passes the convergence test nor any rotation test.
    VLm3 a = { { 1, NAN, 0, NAN, 2, 0.5f, 0, 0.5f, 3 } }, v;
    float d[3];
    EXPECT_EXIT(_VLjacobi(&a, d, &v), testing::ExitedWithCode(255),
                "_VLjacobi diagonalization didn't converge");
}

}  // namespace
