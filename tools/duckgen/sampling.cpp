// Step 4: the free vertices, spread evenly over the surface by
// farthest-point sampling of a dense set of surface points.
#include <algorithm>
#include <cmath>
#include <utility>

#include "pipeline.h"

namespace duckgen {

namespace {

// A free vertex nearer than this to its mirror image has no partner.
constexpr double kPairGap = 0.05;

// Whether direction d lies inside a small spherical polygon (either winding).
bool InsideSpherical(const std::vector<Vec3> &loop, Vec3 d)
{
    Vec3 centre = {0, 0, 0};
    for (Vec3 p : loop)
        centre = centre + p;
    if (Dot(centre, d) <= 0)
        return false;
    int pos = 0, neg = 0;
    for (size_t i = 0; i < loop.size(); ++i) {
        double s = Det(loop[i], loop[(i + 1) % loop.size()], d);
        (s >= 0 ? pos : neg)++;
    }
    return pos == 0 || neg == 0;
}

// Where free vertices may go: off the opening, the slit, the chest
// triangle, the bill tip and the fixed edges.
struct FreeArea {
    std::vector<std::pair<Vec3, Vec3>> keepClear; // the fixed edges
    std::vector<Vec3> chestTri;                   // directions of vertices 0, 2, 1
    SlitOutline slit;

    bool Contains(Vec3 p) const
    {
        if (BelowRim(p) && p.x > -0.9)
            return false;
        if (InSlit(slit, p, 0.3) || InsideSpherical(chestTri, DirOf(p)))
            return false;
        if (!AllowedDistance(p) || Length(p - kVertex227) < 0.075)
            return false;
        for (auto &seg : keepClear) {
            Vec3 ab = seg.second - seg.first;
            double t = std::min(1.0, std::max(0.0, Dot(p - seg.first, ab) / Dot(ab, ab)));
            if (Length(p - (seg.first + ab * t)) < 0.03)
                return false;
        }
        return true;
    }
};

FreeArea FreeAreaOf(const FixedVertices &fixed)
{
    FreeArea area;
    std::vector<std::pair<Vec3, Vec3>> &keepClear = area.keepClear;
    for (int i = 0; i < kRimEdges; ++i)
        keepClear.push_back({fixed.rim[i], fixed.rim[(i + 1) % kRimEdges]});
    for (int i = 0; i < kNeckRing; ++i)
        keepClear.push_back({fixed.neck[i], fixed.neck[(i + 1) % kNeckRing]});
    for (int i = 0; i + 1 < kTailCrease; ++i)
        keepClear.push_back({fixed.tailCrease[i], fixed.tailCrease[i + 1]});
    for (int i = 0; i < 4; ++i)
        keepClear.push_back({fixed.slit[i], fixed.slit[(i + 1) % 4]});
    keepClear.push_back({kVertex0, kVertex1});
    keepClear.push_back({kVertex1, kVertex2});
    keepClear.push_back({kVertex2, kVertex0});
    keepClear.push_back({kVertex1, kVertex426});
    area.chestTri = {DirOf(kVertex0), DirOf(kVertex2), DirOf(kVertex1)};
    area.slit = fixed.slitOutline;
    return area;
}

// The candidate points: the surface over an icosahedron's faces, split
// until their edges on the surface are at most h long, one point a face.
void Subdivide(const Shape &shape, const FreeArea &area, Vec3 a, Vec3 b, Vec3 c, Vec3 pa, Vec3 pb, Vec3 pc, int depth,
               std::vector<Vec3> *candidates)
{
    const double h = 0.02;
    double e = std::max(Length(pa - pb), std::max(Length(pb - pc), Length(pc - pa)));
    if (e > h && depth < 16) {
        Vec3 ab = Unit(a + b), bc = Unit(b + c), ca = Unit(c + a);
        Vec3 pab = Surface(shape, ab), pbc = Surface(shape, bc), pca = Surface(shape, ca);
        Subdivide(shape, area, a, ab, ca, pa, pab, pca, depth + 1, candidates);
        Subdivide(shape, area, ab, b, bc, pab, pb, pbc, depth + 1, candidates);
        Subdivide(shape, area, ca, bc, c, pca, pbc, pc, depth + 1, candidates);
        Subdivide(shape, area, ab, bc, ca, pab, pbc, pca, depth + 1, candidates);
        return;
    }
    Vec3 p = Surface(shape, Unit(a + b + c));
    if (area.Contains(p))
        candidates->push_back(p);
}

std::vector<Vec3> Candidates(const Shape &shape, const FreeArea &area)
{
    double t = (1 + std::sqrt(5.0)) / 2;
    std::vector<Vec3> ico = {{-1, t, 0},  {1, t, 0},  {-1, -t, 0}, {1, -t, 0}, {0, -1, t},  {0, 1, t},
                             {0, -1, -t}, {0, 1, -t}, {t, 0, -1},  {t, 0, 1},  {-t, 0, -1}, {-t, 0, 1}};
    for (Vec3 &v : ico)
        v = Unit(v);
    int icoFaces[20][3] = {{0, 11, 5},  {0, 5, 1},  {0, 1, 7},  {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
                           {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
                           {3, 8, 9},   {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
    std::vector<Vec3> candidates;
    std::vector<Vec3> icoPos;
    for (Vec3 v : ico)
        icoPos.push_back(Surface(shape, v));
    for (auto &f : icoFaces)
        Subdivide(shape, area, ico[f[0]], ico[f[1]], ico[f[2]], icoPos[f[0]], icoPos[f[1]], icoPos[f[2]], 0,
                  &candidates);
    return candidates;
}

} // namespace

Vertices SampleFreeVertices(const FixedVertices &fixed, const Shape &shape, const Log &log)
{
    FreeArea area = FreeAreaOf(fixed);
    std::vector<Vec3> candidates = Candidates(shape, area);
    log("%zu candidate points\n", candidates.size());

    Vertices out;
    for (const Fixed &f : fixed.vertices) {
        out.pos.push_back(f.p);
        out.role.push_back(f.role);
        out.row.push_back(f.row);
        out.partner.push_back(-1);
    }
    std::vector<double> nearest(candidates.size(), 1e9), spacing;
    for (Vec3 p : candidates)
        spacing.push_back(Spacing(p));
    auto seed = [&](Vec3 p) {
        for (size_t i = 0; i < candidates.size(); ++i)
            nearest[i] = std::min(nearest[i], Length(candidates[i] - p));
    };
    for (const Fixed &f : fixed.vertices)
        seed(f.p);
    // Midpoints of the fixed edges keep free points off them.
    for (int i = 0; i < kRimEdges; ++i)
        seed((fixed.rim[i] + fixed.rim[(i + 1) % kRimEdges]) * 0.5);
    for (int i = 0; i < kNeckRing; ++i)
        seed((fixed.neck[i] + fixed.neck[(i + 1) % kNeckRing]) * 0.5);
    // The tail beyond distance 1 first, up to its vertex count, then the
    // rest.
    int beyond = 0;
    for (const Fixed &f : fixed.vertices)
        beyond += BeyondOne(f.p);
    while ((int)out.pos.size() < kVertexCount) {
        bool tailPhase = beyond < kBeyondOne;
        size_t best = 0;
        double bestScore = -1;
        for (size_t i = 0; i < candidates.size(); ++i)
            if (BeyondOne(candidates[i]) == tailPhase && nearest[i] > bestScore * spacing[i]) {
                bestScore = nearest[i] / spacing[i];
                best = i;
            }
        // With its mirror image when that is far enough from it and from
        // every vertex so far, on the same side of distance 1, and there
        // is room for both.
        Vec3 p = candidates[best], q = Surface(shape, DirOf(Mirror(p)));
        bool pair = Length(q - p) > kPairGap && area.Contains(q) && BeyondOne(q) == tailPhase &&
                    (int)out.pos.size() + 2 <= kVertexCount && (!tailPhase || beyond + 2 <= kBeyondOne);
        for (size_t v = 0; v < out.pos.size() && pair; ++v)
            pair = Length(out.pos[v] - q) > bestScore * Spacing(q) / 2;
        int first = (int)out.pos.size();
        for (Vec3 r : pair ? std::vector<Vec3>{p, q} : std::vector<Vec3>{p}) {
            out.pos.push_back(r);
            out.role.push_back(kFree);
            out.row.push_back(-1);
            out.partner.push_back(pair ? (first + 1) - ((int)out.pos.size() - 1 - first) : -1);
            beyond += tailPhase;
            seed(r);
        }
    }
    return out;
}

} // namespace duckgen
