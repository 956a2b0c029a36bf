#include "numeric.h"

#include <algorithm>
#include <cmath>

#include "trig.h"

namespace duckgen {

std::vector<double> Solve(std::vector<std::vector<double>> a, std::vector<double> b)
{
    size_t n = b.size();
    for (size_t c = 0; c < n; ++c) {
        size_t piv = c;
        for (size_t r = c + 1; r < n; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[piv][c]))
                piv = r;
        std::swap(a[c], a[piv]);
        std::swap(b[c], b[piv]);
        for (size_t r = c + 1; r < n; ++r) {
            double f = a[r][c] / a[c][c];
            for (size_t k = c; k < n; ++k)
                a[r][k] -= f * a[c][k];
            b[r] -= f * b[c];
        }
    }
    std::vector<double> x(n);
    for (size_t c = n; c-- > 0;) {
        double s = b[c];
        for (size_t k = c + 1; k < n; ++k)
            s -= a[c][k] * x[k];
        x[c] = s / a[c][c];
    }
    return x;
}

std::vector<Vec3> EvenlyAlong(const std::vector<Vec3> &samples, int n, bool closed)
{
    std::vector<double> acc(1, 0.0);
    for (size_t i = 1; i < samples.size(); ++i)
        acc.push_back(acc.back() + Length(samples[i] - samples[i - 1]));
    double total = acc.back();
    if (closed)
        total += Length(samples.front() - samples.back());
    std::vector<Vec3> out;
    int segments = closed ? n : n - 1;
    for (int k = 0; k < n; ++k) {
        double target = total * k / segments;
        size_t i = 0;
        while (i + 1 < acc.size() && acc[i + 1] < target)
            ++i;
        Vec3 a = samples[i], b = (i + 1 < samples.size()) ? samples[i + 1] : samples.front();
        double segLen = ((i + 1 < acc.size()) ? acc[i + 1] : total) - acc[i];
        double f = segLen > 0 ? (target - acc[i]) / segLen : 0;
        out.push_back(a + (b - a) * f);
    }
    return out;
}

double Angle(Vec3 a, Vec3 b)
{
    Vec3 ua = Unit(a), ub = Unit(b);
    double s = Length(ua - ub) / 2;
    return 2 * Asin(std::min(1.0, s));
}

double Round6(double v) { return std::nearbyint(v * 1e6) / 1e6; }
float Stored(double v) { return (float)Round6(v); }

} // namespace duckgen
