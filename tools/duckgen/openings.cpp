// Step 7: the opening underneath and the slit under the tail cut out.
#include "pipeline.h"

namespace duckgen {

namespace {

// Removes the triangles that fill a loop of fixed edges: of the two sides
// of the loop, the one with fewer triangles. Returns how many went.
int CutOpening(Mesh &m, const std::set<std::pair<int, int>> &loopEdges)
{
    auto flood = [&](int start) {
        std::set<int> region;
        std::vector<int> stack = {start};
        while (!stack.empty()) {
            int t = stack.back();
            stack.pop_back();
            if (t < 0 || region.count(t))
                continue;
            region.insert(t);
            auto f = m.tri[t];
            for (int k = 0; k < 3; ++k) {
                int a = f[k], b = f[(k + 1) % 3];
                if (!loopEdges.count(Key(a, b)))
                    stack.push_back(m.Find(b, a));
            }
        }
        return region;
    };
    auto e = *loopEdges.begin();
    std::set<int> one = flood(m.Find(e.first, e.second)), other = flood(m.Find(e.second, e.first));
    const std::set<int> &cut = one.size() < other.size() ? one : other;
    std::vector<std::array<int, 3>> kept;
    for (int t = 0; t < (int)m.tri.size(); ++t)
        if (!cut.count(t))
            kept.push_back(m.tri[t]);
    m.tri = kept;
    m.Rebuild();
    return (int)cut.size();
}

} // namespace

Triangulation CutOpenings(Triangulation B, const Log &log)
{
    int rimCut = CutOpening(B.mesh, B.rimEdges);
    int slitCut = CutOpening(B.mesh, B.slitEdges);
    log("opening: %d triangles, slit: %d triangles\n", rimCut, slitCut);
    if (rimCut != kRimEdges - 2 || slitCut != kSlitEdges - 2 || (int)B.mesh.tri.size() != kFaceCount)
        Fail("openings cut wrongly");
    // The table starts with the chest triangle 2 1 0.
    int v0 = B.Row(0), v1 = B.Row(1), v2 = B.Row(2);
    if (B.mesh.Find(v2, v1) < 0 || B.mesh.Third(B.mesh.Find(v2, v1), v2, v1) != v0)
        Fail("no chest triangle 2 1 0");
    return B;
}

} // namespace duckgen
