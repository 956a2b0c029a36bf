// Step 5: the triangulation of all directions from the eye, with the fixed
// edges forced in.
#include <cmath>
#include <cstdio>
#include <utility>

#include "pipeline.h"

namespace duckgen {

bool Triangulation::Positive(int a, int b, int c) const
{
    if (Det(dir[a], dir[b], dir[c]) <= 1e-12)
        return false;
    Vec3 n = Cross(pos[b] - pos[a], pos[c] - pos[a]);
    Vec3 out = (pos[a] + pos[b] + pos[c]) * (1.0 / 3) - kEye;
    return Dot(n, out) > 0;
}

bool Triangulation::Flip(int a, int b, bool requirePositive3d)
{
    Mesh &m = mesh;
    int t1 = m.Find(a, b), t2 = m.Find(b, a);
    if (t1 < 0 || t2 < 0)
        return false;
    int p = m.Third(t1, a, b), q = m.Third(t2, a, b);
    if (p == q || m.HasEdge(p, q))
        return false;
    if (Det(dir[a], dir[q], dir[p]) <= 1e-12 || Det(dir[q], dir[b], dir[p]) <= 1e-12)
        return false;
    if (requirePositive3d && (!Positive(a, q, p) || !Positive(q, b, p)))
        return false;
    m.Replace(t1, {a, q, p}, t2, {q, b, p});
    return true;
}

int Triangulation::Row(int r) const
{
    for (size_t i = 0; i < row.size(); ++i)
        if (row[i] == r)
            return (int)i;
    return -1;
}

namespace {

// Incremental convex hull of unit vectors; faces point outwards.
std::vector<std::array<int, 3>> Hull(const std::vector<Vec3> &p)
{
    std::vector<std::array<int, 3>> faces;
    std::vector<char> alive;
    int n = (int)p.size();
    int a = 0, b = 1, c = 2, d = 3;
    while (std::fabs(Det(p[b] - p[a], p[c] - p[a], p[d] - p[a])) < 1e-3)
        ++d;
    auto add = [&](int i, int j, int k) {
        faces.push_back({i, j, k});
        alive.push_back(1);
    };
    if (Det(p[b] - p[a], p[c] - p[a], p[d] - p[a]) < 0)
        std::swap(b, c);
    // Tetrahedron a b c d with d on the positive side of (a, b, c).
    add(a, c, b);
    add(a, b, d);
    add(b, c, d);
    add(c, a, d);
    for (int i = 0; i < n; ++i) {
        if (i == a || i == b || i == c || i == d)
            continue;
        std::map<std::pair<int, int>, int> horizon;
        std::vector<int> visible;
        for (int f = 0; f < (int)faces.size(); ++f) {
            if (!alive[f])
                continue;
            Vec3 pa = p[faces[f][0]], pb = p[faces[f][1]], pc = p[faces[f][2]];
            if (Dot(Cross(pb - pa, pc - pa), p[i] - pa) > 1e-14)
                visible.push_back(f);
        }
        for (int f : visible) {
            alive[f] = 0;
            for (int k = 0; k < 3; ++k) {
                int u = faces[f][k], v = faces[f][(k + 1) % 3];
                auto it = horizon.find({v, u});
                if (it != horizon.end())
                    horizon.erase(it);
                else
                    horizon[{u, v}] = 1;
            }
        }
        for (auto &e : horizon)
            add(e.first.first, e.first.second, i);
    }
    std::vector<std::array<int, 3>> out;
    for (size_t f = 0; f < faces.size(); ++f)
        if (alive[f])
            out.push_back(faces[f]);
    return out;
}

// Whether great-circle segment a-b crosses segment u-v (shared ends don't).
bool Crosses(const std::vector<Vec3> &d, int a, int b, int u, int v)
{
    if (a == u || a == v || b == u || b == v)
        return false;
    double s1 = Det(d[a], d[b], d[u]), s2 = Det(d[a], d[b], d[v]);
    double s3 = Det(d[u], d[v], d[a]), s4 = Det(d[u], d[v], d[b]);
    return s1 * s2 < 0 && s3 * s4 < 0 && Dot(d[a] + d[b], d[u] + d[v]) > 0;
}

void ForceEdge(Triangulation &B, int a, int b)
{
    for (int round = 0; round < 200 && !B.mesh.HasEdge(a, b); ++round) {
        std::vector<std::pair<int, int>> crossing;
        for (auto &e : B.mesh.edge)
            if (e.first.first < e.first.second && Crosses(B.dir, a, b, e.first.first, e.first.second))
                crossing.push_back(e.first);
        bool flipped = false;
        for (auto &e : crossing) {
            if (B.fixedEdges.count(Key(e.first, e.second)))
                continue;
            if (B.mesh.Find(e.first, e.second) < 0 || B.mesh.Find(e.second, e.first) < 0)
                continue;
            if (B.Flip(e.first, e.second, false))
                flipped = true;
        }
        if (!flipped)
            break;
    }
    if (!B.mesh.HasEdge(a, b)) {
        for (auto &e : B.mesh.edge)
            if (e.first.first < e.first.second && Crosses(B.dir, a, b, e.first.first, e.first.second))
                fprintf(stderr, "  crossed by %d-%d (roles %d %d)\n", e.first.first, e.first.second,
                        B.role[e.first.first], B.role[e.first.second]);
        for (size_t v = 0; v < B.dir.size(); ++v) {
            Vec3 ab = B.dir[b] - B.dir[a];
            double t = Dot(B.dir[v] - B.dir[a], ab) / Dot(ab, ab);
            double d = Length(B.dir[v] - (B.dir[a] + ab * t));
            if (t > 0 && t < 1 && d < 0.02)
                fprintf(stderr, "  near: %zu role %d t %.3f d %.5f\n", v, B.role[v], t, d);
        }
        fprintf(stderr, "  ends %.4f %.4f %.4f / %.4f %.4f %.4f\n", B.pos[a].x, B.pos[a].y, B.pos[a].z, B.pos[b].x,
                B.pos[b].y, B.pos[b].z);
        Fail("cannot force edge %d-%d", a, b);
    }
}

} // namespace

Triangulation Triangulate(const Vertices &vertices)
{
    Triangulation B;
    static_cast<Vertices &>(B) = vertices;
    for (Vec3 p : B.pos)
        B.dir.push_back(DirOf(p));
    std::vector<int> rimIdx, slitIdx;
    std::vector<int> &neckIdx = B.neck, &tailIdx = B.tailCrease;
    for (size_t i = 0; i < B.pos.size(); ++i) {
        if (B.role[i] == kRim)
            rimIdx.push_back((int)i);
        if (B.role[i] == kNeck)
            neckIdx.push_back((int)i);
        if (B.role[i] == kTailEdge)
            tailIdx.push_back((int)i);
    }
    // rimIdx: 129 first (it was pushed early), then rim[1..27] in order.
    const int v0 = B.Row(0), v1 = B.Row(1), v2 = B.Row(2), v426 = B.Row(426);
    for (size_t i = 0; i < B.pos.size(); ++i)
        if (B.role[i] == kSlit && B.row[i] < 0)
            slitIdx.push_back((int)i);
    slitIdx.insert(slitIdx.begin() + 1, B.Row(109)); // back, 109, front, far side

    B.mesh.tri = Hull(B.dir);
    B.mesh.Rebuild();
    if ((int)B.mesh.tri.size() != 2 * kVertexCount - 4)
        Fail("hull has %zu faces", B.mesh.tri.size());
    std::vector<std::pair<int, int>> forced;
    std::set<std::pair<int, int>> &rimEdges = B.rimEdges, &slitEdges = B.slitEdges;
    for (int i = 0; i < kRimEdges; ++i) {
        forced.push_back({rimIdx[i], rimIdx[(i + 1) % kRimEdges]});
        rimEdges.insert(Key(rimIdx[i], rimIdx[(i + 1) % kRimEdges]));
    }
    for (int i = 0; i < kSlitEdges; ++i) {
        forced.push_back({slitIdx[i], slitIdx[(i + 1) % kSlitEdges]});
        slitEdges.insert(Key(slitIdx[i], slitIdx[(i + 1) % kSlitEdges]));
    }
    for (int i = 0; i < kNeckRing; ++i)
        forced.push_back({neckIdx[i], neckIdx[(i + 1) % kNeckRing]});
    for (int i = 0; i + 1 < kTailCrease; ++i)
        forced.push_back({tailIdx[i], tailIdx[i + 1]});
    forced.push_back({v0, v1});
    forced.push_back({v1, v2});
    forced.push_back({v2, v0});
    forced.push_back({v1, v426});
    for (auto &e : forced)
        B.fixedEdges.insert(Key(e.first, e.second));
    for (auto &e : forced)
        ForceEdge(B, e.first, e.second);
    return B;
}

} // namespace duckgen
