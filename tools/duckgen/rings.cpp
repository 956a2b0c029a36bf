// Step 3: the rim of the opening underneath and the ring at the base of the
// neck. Both lie on the pinned surface, so they are found after it.
#include <algorithm>
#include <cmath>

#include "numeric.h"
#include "pipeline.h"
#include "trig.h"

namespace duckgen {

namespace {

// Rim of the opening: for each azimuth round the eye's vertical, where the
// surface crosses the rim plane.
std::vector<Vec3> RimVertices(const Shape &shape)
{
    // Start at vertex 129's azimuth so that it is one of the points.
    Vec3 d129 = DirOf(kVertex129);
    double a0x = d129.x, a0y = d129.y;
    double n0 = std::sqrt(a0x * a0x + a0y * a0y);
    a0x /= n0;
    a0y /= n0;
    std::vector<Vec3> samples;
    const int steps = 1440;
    for (int i = 0; i < steps; ++i) {
        // The start azimuth turned by i steps.
        double ang = 2 * 3.14159265358979323846 * i / steps;
        double c = Cos(ang), s = Sin(ang);
        double ax = a0x * c - a0y * s, ay = a0x * s + a0y * c;
        // Bisection on the angle below the horizontal: 0 = horizontal
        // (above the plane), pi/2 = straight down (below it).
        double lo = 0.0, hi = 1.5707963;
        for (int k = 0; k < 50; ++k) {
            double m = (lo + hi) / 2;
            Vec3 d = Unit(Vec3{ax * Cos(m), ay * Cos(m), -Sin(m)});
            if (BelowRim(Surface(shape, d)))
                hi = m;
            else
                lo = m;
        }
        double m = (lo + hi) / 2;
        samples.push_back(Surface(shape, Unit(Vec3{ax * Cos(m), ay * Cos(m), -Sin(m)})));
    }
    std::vector<Vec3> rim = EvenlyAlong(samples, kRimEdges, true);
    rim[0] = kVertex129;
    return rim;
}

// The ring where head side and body side meet, round the axis from the eye
// to the head.
std::vector<Vec3> NeckRingVertices(const Shape &shape)
{
    Vec3 axis = Unit(kHeadCentre - kEye);
    Vec3 e1 = Unit(Cross(axis, Vec3{0, 1, 0}));
    Vec3 e2 = Cross(axis, e1);
    std::vector<Vec3> samples;
    const int steps = 720;
    for (int i = 0; i < steps; ++i) {
        double ang = 2 * 3.14159265358979323846 * i / steps;
        Vec3 around = e1 * Cos(ang) + e2 * Sin(ang);
        auto dirAt = [&](double th) { return Unit(axis * Cos(th) + around * Sin(th)); };
        double th = 0.1;
        while (th < 3.0) {
            PartRadii r = Parts(dirAt(th));
            if (r.lower >= r.upper)
                break;
            th += 0.01;
        }
        double lo = th - 0.01, hi = th;
        for (int k = 0; k < 50; ++k) {
            double m = (lo + hi) / 2;
            PartRadii r = Parts(dirAt(m));
            if (r.lower >= r.upper)
                hi = m;
            else
                lo = m;
        }
        samples.push_back(Surface(shape, dirAt((lo + hi) / 2)));
    }
    // Start the ring at its rearmost point.
    size_t back = 0;
    for (size_t i = 1; i < samples.size(); ++i)
        if (samples[i].x < samples[back].x)
            back = i;
    std::rotate(samples.begin(), samples.begin() + back, samples.end());
    return EvenlyAlong(samples, kNeckRing, true);
}

} // namespace

FixedVertices PlaceRings(FixedVertices fixed, const Shape &shape)
{
    fixed.rim = RimVertices(shape);
    for (int i = 0; i < kRimEdges; ++i)
        if (i > 0)
            fixed.vertices.push_back({fixed.rim[i], kRim, -1, 0});
    fixed.neck = NeckRingVertices(shape);
    for (Vec3 p : fixed.neck)
        fixed.vertices.push_back({p, kNeck, -1, 0});
    return fixed;
}

} // namespace duckgen
