// Step 2: bumps that pin the surface to every fixed vertex placed so far.
// Each bump's amount is chosen so that all of them together move the
// surface exactly through every fixed vertex.
#include <cmath>

#include "numeric.h"
#include "pipeline.h"

namespace duckgen {

Shape PinSurface(const FixedVertices &fixed, const Log &log)
{
    size_t n = fixed.vertices.size();
    std::vector<Bump> trial(n);
    std::vector<double> miss(n);
    for (size_t i = 0; i < n; ++i) {
        trial[i] = {DirOf(fixed.vertices[i].p), fixed.vertices[i].reach, 0};
        miss[i] = Length(fixed.vertices[i].p - kEye) - RawRadius(trial[i].dir);
    }
    std::vector<std::vector<double>> a(n, std::vector<double>(n));
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < n; ++j)
            a[i][j] = Kernel(trial[i].dir, trial[j]);
    std::vector<double> amount = Solve(a, miss);
    for (size_t i = 0; i < n; ++i) {
        trial[i].amount = amount[i];
        if (std::fabs(miss[i]) > 1e-4)
            log("pin %zu (row %d): surface moved by %.4f\n", i, fixed.vertices[i].row, miss[i]);
    }
    return Shape{trial};
}

} // namespace duckgen
