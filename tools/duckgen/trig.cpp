#include "trig.h"

#include <cmath>

namespace duckgen {

double Sin(double x) { return std::sin(x); }
double Cos(double x) { return std::cos(x); }
double Asin(double x) { return std::asin(x); }

} // namespace duckgen
