// Small vector helpers shared by the duck generator and its render program.
#ifndef DUCKVIEW_TOOLS_DUCKGEN_GEOMETRY_H
#define DUCKVIEW_TOOLS_DUCKGEN_GEOMETRY_H

#include <cmath>

namespace duckgen {

struct V3 {
    double x, y, z;
};

inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(V3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline V3 operator*(double s, V3 a) { return {a.x * s, a.y * s, a.z * s}; }
inline double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline double Len(V3 a) { return std::sqrt(Dot(a, a)); }
inline V3 Unit(V3 a)
{
    double l = Len(a);
    return l > 0 ? a * (1.0 / l) : a;
}
inline double Det(V3 a, V3 b, V3 c) { return Dot(a, Cross(b, c)); }

} // namespace duckgen

#endif // DUCKVIEW_TOOLS_DUCKGEN_GEOMETRY_H
