// Step 6: even triangles, by flips and tangential smoothing.
#include "numeric.h"
#include "pipeline.h"

namespace duckgen {

namespace {

// Every edge once (lower index first) and the number of edges at each vertex.
void EdgesAndDegrees(const Triangulation &B, std::vector<std::pair<int, int>> *edges, std::vector<int> *degree)
{
    degree->assign(B.pos.size(), 0);
    edges->clear();
    for (auto &e : B.mesh.edge)
        if (e.first.first < e.first.second) {
            (*degree)[e.first.first]++, (*degree)[e.first.second]++;
            edges->push_back(e.first);
        }
}

// One pass over the edges, flipping those that `wanted(a, b, p, q, degree)`
// picks (a b the edge, p q the vertices across it) where that leaves every
// vertex between 4 and 8 neighbours; returns how many it flipped.
template <typename Wanted> int FlipPass(Triangulation &B, Wanted wanted)
{
    int flips = 0;
    std::vector<int> degree;
    std::vector<std::pair<int, int>> edges;
    EdgesAndDegrees(B, &edges, &degree);
    for (auto &e : edges) {
        int a = e.first, b = e.second;
        if (B.fixedEdges.count(Key(a, b)))
            continue;
        int t1 = B.mesh.Find(a, b), t2 = B.mesh.Find(b, a);
        if (t1 < 0 || t2 < 0)
            continue;
        int p = B.mesh.Third(t1, a, b), q = B.mesh.Third(t2, a, b);
        if (degree[a] <= 4 || degree[b] <= 4 || degree[p] >= 8 || degree[q] >= 8 || !wanted(a, b, p, q, degree))
            continue;
        if (B.Flip(a, b, true)) {
            degree[a]--, degree[b]--, degree[p]++, degree[q]++;
            ++flips;
        }
    }
    return flips;
}

// Flips edges away from vertices with more than nine neighbours.
int ValenceFlips(Triangulation &B)
{
    return FlipPass(
        B, [](int a, int b, int, int, const std::vector<int> &degree) { return degree[a] > 9 || degree[b] > 9; });
}

// Flips edges whose opposite angles add up to more than a half turn (the
// Delaunay test on the surface).
int QualityFlips(Triangulation &B)
{
    return FlipPass(B, [&B](int a, int b, int p, int q, const std::vector<int> &) {
        double alpha = Angle(B.pos[a] - B.pos[p], B.pos[b] - B.pos[p]);
        double beta = Angle(B.pos[a] - B.pos[q], B.pos[b] - B.pos[q]);
        return alpha + beta > 3.14159265358979323846 + 1e-9;
    });
}

// The tangential step that takes a free vertex towards the area-weighted
// centroid of the triangles round it.
Vec3 SmoothingMove(const Triangulation &B, const std::vector<std::vector<int>> &vt, int i)
{
    Vec3 normal = {0, 0, 0}, target = {0, 0, 0};
    double area = 0;
    for (int t : vt[i]) {
        auto &f = B.mesh.tri[t];
        Vec3 n = Cross(B.pos[f[1]] - B.pos[f[0]], B.pos[f[2]] - B.pos[f[0]]);
        normal = normal + Unit(n);
        double a = Length(n);
        target = target + (B.pos[f[0]] + B.pos[f[1]] + B.pos[f[2]]) * (a / 3);
        area += a;
    }
    target = target * (1 / area);
    normal = Unit(normal);
    Vec3 move = target - B.pos[i];
    return move - normal * Dot(move, normal);
}

// Moves free vertices towards their centroids; a mirrored pair moves as one,
// staying mirrored. A move that would fold a triangle or break a distance
// rule is undone.
void Relax(Triangulation &B, const Shape &shape, double weight)
{
    auto vt = VertexTriangles(B.mesh, (int)B.pos.size());
    for (int i = 0; i < (int)B.pos.size(); ++i) {
        int j = B.partner[i];
        if (B.role[i] != kFree || (j >= 0 && j < i))
            continue;
        // Keep the finer spacing where it was sampled.
        if (Spacing(B.pos[i]) < 0.999 || (j >= 0 && Spacing(B.pos[j]) < 0.999))
            continue;
        std::vector<int> moved = {i};
        Vec3 to = B.pos[i] + SmoothingMove(B, vt, i) * weight;
        if (j >= 0) {
            moved.push_back(j);
            Vec3 other = Mirror(B.pos[j] + SmoothingMove(B, vt, j) * weight);
            to = (to + other) * 0.5;
        }
        std::vector<Vec3> oldPos, oldDir;
        for (int v : moved) {
            oldPos.push_back(B.pos[v]);
            oldDir.push_back(B.dir[v]);
        }
        bool ok = true;
        for (size_t k = 0; k < moved.size(); ++k) {
            int v = moved[k];
            B.dir[v] = DirOf(k == 0 ? to : Mirror(to));
            B.pos[v] = Surface(shape, B.dir[v]);
            ok = ok && AllowedDistance(B.pos[v]) && BeyondOne(B.pos[v]) == BeyondOne(oldPos[k]);
        }
        for (int v : moved)
            for (int t : vt[v]) {
                auto &f = B.mesh.tri[t];
                if (!B.Positive(f[0], f[1], f[2]))
                    ok = false;
            }
        if (!ok)
            for (size_t k = 0; k < moved.size(); ++k) {
                B.pos[moved[k]] = oldPos[k];
                B.dir[moved[k]] = oldDir[k];
            }
    }
}

} // namespace

Triangulation EvenOut(Triangulation B, const Shape &shape, const Log &log)
{
    for (int it = 0; it < 60; ++it) {
        int flips = QualityFlips(B);
        Relax(B, shape, it < 40 ? 0.6 : 0.3);
        if (it % 10 == 0)
            log("pass %d: %d flips\n", it, flips);
    }
    while (QualityFlips(B) > 0) {
    }
    while (ValenceFlips(B) > 0) {
    }
    return B;
}

} // namespace duckgen
