// Step 9: the normals. A vertex has one smooth normal, or one per group of
// triangles between the sharp edges round it: the neck ring, the crease
// round the tail end, the tip of the bill, and the most sharply bent edges
// at those vertices until the table's normal count is reached.
#include <set>

#include "numeric.h"
#include "pipeline.h"

namespace duckgen {

namespace {

// The triangles round each vertex in order: from the one whose edge into
// the vertex has no twin (on the boundary), or any, across edge (v, next).
std::vector<std::vector<int>> Fans(const Mesh &mesh)
{
    std::vector<std::vector<int>> vt = VertexTriangles(mesh, kVertexCount);
    std::vector<std::vector<int>> fan(kVertexCount);
    for (int v = 0; v < kVertexCount; ++v) {
        std::vector<int> &around = vt[v];
        int start = around[0];
        for (int t : around) {
            const Triangle &f = mesh.tri[t];
            int prev = f[(CornerOf(f, v) + 2) % 3];
            if (mesh.Find(v, prev) < 0)
                start = t;
        }
        int t = start;
        for (size_t n = 0; n < around.size(); ++n) {
            fan[v].push_back(t);
            const Triangle &f = mesh.tri[t];
            int next = f[(CornerOf(f, v) + 1) % 3];
            t = mesh.Find(next, v);
            if (t < 0)
                break;
        }
        if (fan[v].size() != around.size())
            Fail("vertex %d is not a single fan", v);
    }
    return fan;
}

// The other ends of the sharp edges at each vertex.
using SharpEdges = std::vector<std::set<int>>;

// How many normals a vertex takes with the given sharp edges: one per group
// between them (an open fan starts a group at its first triangle too).
struct NormalCount {
    const SharpEdges &sharp;
    std::vector<char> onBoundary;

    int Of(int v) const
    {
        size_t s = sharp[v].size();
        if (onBoundary[v])
            return (int)s + 1;
        return s < 2 ? 1 : (int)s;
    }
    int Total() const
    {
        int total = 0;
        for (int v = 0; v < kVertexCount; ++v)
            total += Of(v);
        return total;
    }
};

SharpEdges FindSharpEdges(const Triangulation &t, const std::vector<Vec3> &pos,
                          const std::vector<std::vector<int>> &fan)
{
    const Mesh &mesh = t.mesh;
    SharpEdges sharp(kVertexCount);
    std::vector<int> creaseVerts;
    for (int v = 0; v < kVertexCount; ++v)
        if (t.role[v] == kNeck || t.role[v] == kTailEdge || t.role[v] == kTip)
            creaseVerts.push_back(v);
    for (int i = 0; i < kNeckRing; ++i) {
        int a = t.neck[i], b = t.neck[(i + 1) % kNeckRing];
        sharp[a].insert(b);
        sharp[b].insert(a);
    }
    for (int i = 0; i + 1 < kTailCrease; ++i) {
        int a = t.tailCrease[i], b = t.tailCrease[i + 1];
        sharp[a].insert(b);
        sharp[b].insert(a);
    }
    auto dihedral = [&](int a, int b) {
        int t1 = mesh.Find(a, b), t2 = mesh.Find(b, a);
        if (t1 < 0 || t2 < 0)
            return 0.0;
        return Angle(FaceNormal(pos, mesh.tri[t1]), FaceNormal(pos, mesh.tri[t2]));
    };
    // The bill tip: its six most sharply bent edges.
    const int tip = t.Row(227);
    for (int f : fan[tip])
        for (int u : mesh.tri[f])
            if (u != tip)
                sharp[tip].insert(u);
    while (sharp[tip].size() > 6) {
        int weakest = -1;
        for (int u : sharp[tip])
            if (weakest < 0 || dihedral(tip, u) < dihedral(tip, weakest))
                weakest = u;
        sharp[tip].erase(weakest);
    }
    NormalCount count = {sharp, std::vector<char>(kVertexCount, 0)};
    for (auto &e : mesh.edge)
        if (mesh.Find(e.first.second, e.first.first) < 0)
            count.onBoundary[e.first.first] = count.onBoundary[e.first.second] = 1;
    // Then the most sharply bent edge at a crease vertex, one at a time;
    // chain ends first get their second sharp edge.
    while (count.Total() < kNormalCount) {
        int bestV = -1, bestU = -1;
        double bestScore = -1;
        for (int v : creaseVerts) {
            if (count.Of(v) >= 6)
                continue;
            for (int f : fan[v])
                for (int u : mesh.tri[f]) {
                    if (u == v || sharp[v].count(u))
                        continue;
                    double score = dihedral(v, u) + (count.Of(v) < 2 ? 10 : 0);
                    if (score > bestScore) {
                        bestScore = score;
                        bestV = v;
                        bestU = u;
                    }
                }
        }
        if (bestV < 0)
            Fail("cannot reach the normal count");
        sharp[bestV].insert(bestU);
    }
    if (count.Total() != kNormalCount)
        Fail("%d normals instead of %d", count.Total(), kNormalCount);
    return sharp;
}

} // namespace

Shading ComputeNormals(const Triangulation &t, const std::vector<Vec3> &pos)
{
    const Mesh &mesh = t.mesh;
    Shading s;
    s.fan = Fans(mesh);
    SharpEdges sharp = FindSharpEdges(t, pos, s.fan);
    s.cornerGroup.assign(kFaceCount, {0, 0, 0});
    s.groupNormal.resize(kVertexCount);
    for (int v = 0; v < kVertexCount; ++v) {
        const std::vector<int> &fan = s.fan[v];
        int g = 0;
        std::vector<std::vector<int>> members(1);
        // Walk the fan; a sharp edge between consecutive triangles starts a
        // new group. For a closed fan, the last group joins the first unless
        // an edge before the first triangle is sharp.
        for (size_t n = 0; n < fan.size(); ++n) {
            const Triangle &f = mesh.tri[fan[n]];
            int prev = f[(CornerOf(f, v) + 2) % 3];
            if (n > 0 && sharp[v].count(prev)) {
                ++g;
                members.emplace_back();
            }
            members[g].push_back(fan[n]);
        }
        const Triangle &first = mesh.tri[fan[0]];
        int prev = first[(CornerOf(first, v) + 2) % 3];
        bool closed = mesh.Find(v, prev) >= 0;
        if (closed && g > 0 && !sharp[v].count(prev)) {
            members[0].insert(members[0].end(), members[g].begin(), members[g].end());
            members.pop_back();
        }
        for (size_t gi = 0; gi < members.size(); ++gi) {
            for (int f : members[gi])
                s.cornerGroup[f][CornerOf(mesh.tri[f], v)] = (int)gi;
            s.groupNormal[v].push_back(SmoothNormal(pos, mesh.tri, members[gi]));
        }
    }
    return s;
}

} // namespace duckgen
