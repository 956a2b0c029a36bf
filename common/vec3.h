// A small 3-vector of doubles, shared by the tests and the duck generator
// (tools/duckgen): sums, scaling, dot and cross products, length, direction.
#ifndef DUCKVIEW_COMMON_VEC3_H
#define DUCKVIEW_COMMON_VEC3_H

#include <cmath>

struct Vec3 {
    double x, y, z;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline Vec3 operator*(double s, Vec3 a) { return a * s; }
inline double Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline double Length(Vec3 a) { return std::sqrt(Dot(a, a)); }
// The direction of a; the zero vector stays zero.
inline Vec3 Unit(Vec3 a)
{
    double l = Length(a);
    return l > 0 ? a * (1 / l) : a;
}
// The triple product a . (b x c): six times the signed volume of the
// tetrahedron on the origin, a, b and c.
inline double Det(Vec3 a, Vec3 b, Vec3 c) { return Dot(a, Cross(b, c)); }

#endif // DUCKVIEW_COMMON_VEC3_H
