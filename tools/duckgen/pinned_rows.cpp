// Step 1: the fixed vertices that lie on the parts as they are, before the
// surface is pinned to them.
#include <algorithm>
#include <cmath>

#include "numeric.h"
#include "pipeline.h"

namespace duckgen {

namespace {

// A point of the tail crease at parameter s on one side (+1 or -1).
Vec3 TailCreasePoint(double s, int side)
{
    double x = kVertex113.x + kTailLength * s;
    TailFrame f = TailAt(x);
    return {x, f.centreY + side * f.halfWidth, f.creaseZ};
}

Vec3 TailUnderside(double x, double u)
{
    TailFrame f = TailAt(x);
    return {x, f.centreY + u * f.halfWidth, f.creaseZ - KeelDepth(f.s) * std::sqrt(1 - u * u)};
}

std::vector<Vec3> TailCreaseVertices(double sEnd)
{
    // Four on each side at equal arc length, the tip in the middle.
    std::vector<Vec3> side[2];
    for (int k = 0; k < 2; ++k) {
        std::vector<Vec3> samples;
        for (int i = 0; i <= 400; ++i)
            samples.push_back(TailCreasePoint(sEnd * i / 400.0, k ? -1 : 1));
        side[k] = EvenlyAlong(samples, 5, false);
    }
    std::vector<Vec3> out;
    for (int i = 4; i >= 1; --i)
        out.push_back(side[0][i]);
    out.push_back(kVertex113);
    for (int i = 1; i <= 4; ++i)
        out.push_back(side[1][i]);
    return out;
}

// How far along the tail the crease stays sharp: the tail must be the outer
// part by more than its blend width.
double TailCreaseEnd()
{
    double sEnd = 0.02;
    for (double s = 0.02; s < 1; s += 0.005) {
        bool sharp = true;
        for (int side = -1; side <= 1; side += 2) {
            Vec3 p = TailCreasePoint(s, side);
            Vec3 d = DirOf(p);
            double r = Length(p - kEye);
            double body = std::max(BodyExit(d), ChestExit(d));
            if (body > r - kBlendTail * 1.2)
                sharp = false;
        }
        if (!sharp)
            break;
        sEnd = s;
    }
    return sEnd;
}

// Back end, vertex 109, front end, far side; the far side sits where the
// perimeter comes out right.
void PlaceSlit(FixedVertices *fixed)
{
    double xm = (kSlitBackX + kSlitFrontX) / 2;
    Vec3 back = TailUnderside(kSlitBackX, 0), front = TailUnderside(kSlitFrontX, 0);
    double near = Length(kVertex109 - back) + Length(front - kVertex109);
    double lo = 0.01, hi = 0.99;
    for (int i = 0; i < 60; ++i) {
        double u = (lo + hi) / 2;
        Vec3 side = TailUnderside(xm, u);
        if (near + Length(side - front) + Length(back - side) < kSlitPerimeter)
            lo = u;
        else
            hi = u;
    }
    Vec3 side = TailUnderside(xm, (lo + hi) / 2);
    fixed->slit = {back, kVertex109, front, side};
    for (int i = 0; i < 4; ++i) {
        fixed->slitOutline.xu[i][0] = fixed->slit[i].x;
        fixed->slitOutline.xu[i][1] = TailU(fixed->slit[i]);
    }
}

} // namespace

FixedVertices PlaceOnParts(const Log &log)
{
    FixedVertices fixed = {};
    std::vector<Fixed> &v = fixed.vertices;
    v.push_back({kVertex0, kPinned, 0, 0.30});
    v.push_back({kVertex1, kPinned, 1, 0.30});
    v.push_back({kVertex2, kPinned, 2, 0.30});
    v.push_back({kVertex426, kPinned, 426, 0.30});
    v.push_back({kVertex109, kSlit, 109, 0.03});
    v.push_back({kVertex129, kRim, 129, 0.30});
    v.push_back({kVertex227, kTip, 227, 0.05});
    v.push_back({kVertex292, kPinned, 292, 0.10});
    v.push_back({{kBodyX, kMaxY, kBodyZ}, kPinned, -1, 0.10});
    v.push_back({{kBodyX, kMinY, kBodyZ}, kPinned, -1, 0.10});
    double sEnd = TailCreaseEnd();
    fixed.tailCrease = TailCreaseVertices(sEnd);
    for (int i = 0; i < kTailCrease; ++i)
        v.push_back({fixed.tailCrease[i], kTailEdge, i == 4 ? 113 : -1, 0.02});
    PlaceSlit(&fixed);
    for (int i = 0; i < 4; ++i)
        if (i != 1)
            v.push_back({fixed.slit[i], kSlit, -1, 0.02});
    log("tail crease to s = %.3f\n", sEnd);
    return fixed;
}

} // namespace duckgen
