/* Math: 3-vectors, unit quaternions, 3x3 and 4x4 float matrices.
 *
 * Points are row vectors multiplied on the left (p' = p.M); a 4x4 keeps its
 * translation in the last row (indices 12, 13, 14). Applying A then B is A.B.
 * Quaternions are (x, y, z, w) with the scalar last; rotating p by q is
 * p.R(q). A length below VLEPSILON counts as zero.
 * Outputs go through a temporary, so an output may be the same storage as an
 * input (except _VLjacobi). Sums are double, stored results float. */
#ifndef VLX_MATH_H
#define VLX_MATH_H

/* Constants: pi and pi/2 as floats, and the toolkit's "non-zero" length. */
#define VLPI 3.1415927f
#define VLPI2 1.5707964f
#define VLEPSILON 0.004f

/* Types: plain records, laid out exactly as listed. */
struct VLp3 { float x, y, z; };
struct VLq { float x, y, z, w; };       /* identity (0, 0, 0, 1) */
struct VLm3 { float m[9]; };            /* m[r][c] at 3r + c */
struct VLm4 { float m[16]; };           /* m[r][c] at 4r + c */
struct VLposq { struct VLp3 pos; struct VLq q; };

/* Vectors. */
void VLp3_cross(const VLp3 *a, const VLp3 *b, VLp3 *out);
float VLp3_dot(const VLp3 *a, const VLp3 *b);
float VLp3_length(const VLp3 *v);
/* Approximation, exact along an axis and about 6 % high on the diagonal. */
float VLp3_fastlength(const VLp3 *v);
/* False, v untouched, when |v| < VLEPSILON. */
bool VLp3_normalise(VLp3 *v);
/* atan2(-a, b) in [-pi/2, 3pi/2]; 0 when |a| and |b| are both below VLEPSILON. */
float VLangle_of(float a, float b);

/* Quaternions. */
void VLq_identity(VLq *out);
/* False, q untouched, when its length is below VLEPSILON. */
bool VLq_normalise(VLq *q);
/* a (x) b (Hamilton product), normalised. */
void VLq_mult(const VLq *a, const VLq *b, VLq *out);
/* conj(a) (x) b, normalised: the rotation taking orientation a to b. */
void VLq_relative(const VLq *a, const VLq *b, VLq *out);
/* p.R(q). */
void VLq_rotate(const VLp3 *p, const VLq *q, VLp3 *out);
/* Component axis (0 to 2) of VLq_rotate; 0 for any other axis. */
float VLq_rotatecomponent(const VLp3 *p, const VLq *q, int axis);
/* Qz(-c) (x) Qy(-b) (x) Qx(-a). */
void VLq_fromeuler(float a, float b, float c, VLq *out);
/* Orientation whose direction (z axis) is dir; identity for a zero dir. */
void VLq_fromdirection(const VLp3 *dir, VLq *out);
/* The direction (z axis) of q: row 2 of R(q). */
void VLq_direction(const VLq *q, VLp3 *out);

/* Quaternion <-> matrix. */
void VLq_tom3(const VLq *q, VLm3 *out);
/* Orthonormalises m in place, then q with R(q) = m; identity for a degenerate m. */
void VLm3_toq(VLm3 *m, VLq *out);
/* Translation row, and the orientation of the upper-left 3x3 (orthonormalised in place). */
void VLm4_toposq(VLm4 *m, VLposq *out);

/* Matrices. */
void VLm3_identity(VLm3 *out);
void VLm4_identity(VLm4 *out);
void VLm4_transpose(const VLm4 *in, VLm4 *out);
void VLm3_mult(const VLm3 *a, const VLm3 *b, VLm3 *out);
void VLm4_mult(const VLm4 *a, const VLm4 *b, VLm4 *out);
/* v.M over the upper-left 3x3 (no translation). */
void VLm4_rotatevector(const VLp3 *v, const VLm4 *m, VLp3 *out);
/* p.M with the translation row added. */
void VLm4_transformpoint(const VLp3 *p, const VLm4 *m, VLp3 *out);
/* 1 on success; 0, identity output and a warning when the determinant is 0. */
int VLm4_invert(const VLm4 *m, VLm4 *out);

/* 3x4 concatenations of a transform x in front of an accumulated a. */
/* 3x3 = X.A, translation = Xt.A + At, last column 0, 0, 0, 1. */
void VLm4_concat(const VLm4 *x, const VLm4 *a, VLm4 *out);
/* x is a pure translation: a's rows, translation = Xt.A(3x3) + At. */
void VLm4_concattranslation(const VLm4 *x, const VLm4 *a, VLm4 *out);

/* Eigen-decomposition of a symmetric 3x3 (a is destroyed): eigenvalues in d,
 * eigenvectors in the columns of v. Fatal after 50 sweeps without converging. */
void _VLjacobi(VLm3 *a, float d[3], VLm3 *v);

#endif
