// Small numerical helpers the steps share.
#ifndef DUCKVIEW_TOOLS_DUCKGEN_NUMERIC_H
#define DUCKVIEW_TOOLS_DUCKGEN_NUMERIC_H

#include <vector>

#include "vec3.h"

namespace duckgen {

// Solves the small dense system a x = b (Gaussian elimination with partial
// pivoting).
std::vector<double> Solve(std::vector<std::vector<double>> a, std::vector<double> b);

// The angle between two vectors, in radians, from the chord between their
// directions.
double Angle(Vec3 a, Vec3 b);

// Places n points at equal arc length along a sampled curve, closed or open.
std::vector<Vec3> EvenlyAlong(const std::vector<Vec3> &samples, int n, bool closed);

// Rounded to six decimals, as every stored value is; Stored is the float the
// tables hold.
double Round6(double v);
float Stored(double v);

} // namespace duckgen

#endif // DUCKVIEW_TOOLS_DUCKGEN_NUMERIC_H
