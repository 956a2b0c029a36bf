// Step 10: the order of the face table. It opens with the fan round vertex
// 0 from triangle (0, 2, 1) and grows vertex by vertex from there; a small
// patch round vertex 426 comes last, so that the table closes with the
// triangle (426, 1, x).
#include <algorithm>
#include <cstdio>
#include <set>

#include "pipeline.h"

namespace duckgen {

namespace {

bool Touches(const Triangle &f, const std::set<int> &s)
{
    for (int u : f)
        if (s.count(u))
            return true;
    return false;
}

// Whether every group of every vertex outside the patch keeps a triangle
// outside it, so that its normal is numbered before the patch.
bool OthersFine(const Mesh &mesh, const Shading &shading, const std::set<int> &s)
{
    for (int v = 0; v < kVertexCount; ++v) {
        if (s.count(v))
            continue;
        std::vector<char> seen(shading.groupNormal[v].size(), 0);
        for (int t : shading.fan[v])
            if (!Touches(mesh.tri[t], s))
                seen[shading.cornerGroup[t][CornerOf(mesh.tri[t], v)]] = 1;
        for (char c : seen)
            if (!c)
                return false;
    }
    return true;
}

// Whether the patch vertices, in the given order, can each be reached: each
// needs a triangle (not the closing one) whose other patch vertices come
// before it.
bool Reachable(const Mesh &mesh, const Shading &shading, const std::vector<int> &trial, const std::set<int> &s,
               int closing)
{
    for (size_t i = 0; i < trial.size(); ++i) {
        std::set<int> prefix(trial.begin(), trial.begin() + i + 1);
        bool found = false;
        for (int t : shading.fan[trial[i]]) {
            if (t == closing)
                continue;
            bool ok = true;
            for (int u : mesh.tri[t])
                if (s.count(u) && !prefix.count(u))
                    ok = false;
            found = found || ok;
        }
        if (!found)
            return false;
    }
    return true;
}

// The patch that closes the table: the vertex across edge 426 -> 1, the
// seven free vertices nearest to vertex 426 that keep it closable, and
// vertex 426 itself, in that order.
std::vector<int> LatePatch(const Triangulation &t, const std::vector<Vec3> &pos, const Shading &shading, int across)
{
    const Mesh &mesh = t.mesh;
    const int v0 = t.Row(0), v1 = t.Row(1), v426 = t.Row(426);
    // Not next to vertex 0: its fan opens the table.
    std::set<int> nearZero;
    for (int f : shading.fan[v0])
        for (int u : mesh.tri[f])
            nearZero.insert(u);
    if (nearZero.count(across) || t.role[across] != kFree)
        Fail("the vertex across 426 -> 1 cannot close the table");
    std::vector<int> cand;
    for (int v = 0; v < kVertexCount; ++v)
        if (t.role[v] == kFree && v != across && !nearZero.count(v))
            cand.push_back(v);
    std::stable_sort(cand.begin(), cand.end(),
                     [&](int a, int b) { return Length(pos[a] - pos[v426]) < Length(pos[b] - pos[v426]); });
    std::vector<int> late = {across};
    for (int c : cand) {
        if (late.size() == 8)
            break;
        std::set<int> s(late.begin(), late.end());
        s.insert(c);
        s.insert(v426);
        std::vector<int> trial = late;
        trial.push_back(c);
        trial.push_back(v426);
        if (!Reachable(mesh, shading, trial, s, mesh.Find(v426, v1)) || !OthersFine(mesh, shading, s))
            continue;
        late.push_back(c);
    }
    if (late.size() != 8)
        Fail("no patch round vertex 426");
    late.push_back(v426);
    return late;
}

// The face table as it grows.
struct Emitter {
    const Mesh &mesh;
    const Shading &shading;
    std::set<int> late; // the patch's vertices
    FaceOrder order;
    std::vector<char> done;

    void Emit(int t, int v)
    {
        const Triangle &f = mesh.tri[t];
        int k = CornerOf(f, v);
        order.corners.push_back({f[(k + 1) % 3], f[(k + 2) % 3], v});
        order.triangle.push_back(t);
        done[t] = 1;
    }
    // The triangles round v not in the table yet, in fan order, with v as
    // their last corner. Those that touch the patch only when allowLate and
    // their patch vertices are placed.
    void Around(int v, bool allowLate, const std::set<int> &placed)
    {
        for (int t : shading.fan[v]) {
            if (done[t])
                continue;
            bool ok = true;
            for (int u : mesh.tri[t])
                if (late.count(u) && (!allowLate || !placed.count(u)))
                    ok = false;
            if (ok)
                Emit(t, v);
        }
    }
};

} // namespace

FaceOrder OrderFaces(const Triangulation &t, const std::vector<Vec3> &pos, const Shading &shading)
{
    const Mesh &mesh = t.mesh;
    const int v0 = t.Row(0), v1 = t.Row(1), v2 = t.Row(2), v426 = t.Row(426);
    const int closing = mesh.Find(v426, v1);
    const int across = mesh.Third(closing, v426, v1);
    std::vector<int> late = LatePatch(t, pos, shading, across);
    Emitter e = {mesh, shading, std::set<int>(late.begin(), late.end()), {}, std::vector<char>(kFaceCount, 0)};
    e.order.across = across;

    // The fan round vertex 0, clockwise from (0, 2, 1): from (0, a, b) the
    // next triangle holds the edge a -> 0.
    int f = mesh.Find(v0, v2);
    for (size_t n = 0; n < shading.fan[v0].size(); ++n) {
        int a = mesh.tri[f][(CornerOf(mesh.tri[f], v0) + 1) % 3];
        e.Emit(f, v0);
        f = mesh.Find(a, v0);
    }
    // Then vertex by vertex in the order they first appear.
    std::vector<int> queue;
    std::vector<char> queued(kVertexCount, 0);
    queued[v0] = 1;
    auto enqueue = [&](size_t from) {
        for (size_t o = from; o < e.order.corners.size(); ++o)
            for (int u : e.order.corners[o])
                if (!queued[u]) {
                    queued[u] = 1;
                    queue.push_back(u);
                }
    };
    enqueue(0);
    const std::set<int> none;
    for (size_t qi = 0; qi < queue.size(); ++qi) {
        int v = queue[qi];
        if (e.late.count(v))
            continue;
        size_t before = e.order.corners.size();
        e.Around(v, false, none);
        enqueue(before);
    }
    for (int v = 0; v < kVertexCount; ++v)
        if (!e.late.count(v))
            e.Around(v, false, none);
    // The patch, one vertex at a time; (426, 1, x) closes the table.
    e.done[closing] = 1;
    std::set<int> placed;
    for (int v : late) {
        placed.insert(v);
        e.Around(v, true, placed);
    }
    e.order.corners.push_back({v426, v1, across});
    e.order.triangle.push_back(closing);

    if ((int)e.order.corners.size() != kFaceCount) {
        for (int i = 0; i < kFaceCount; ++i)
            if (!e.done[i])
                fprintf(stderr, "  missing %d %d %d (roles %d %d %d)\n", mesh.tri[i][0], mesh.tri[i][1], mesh.tri[i][2],
                        t.role[mesh.tri[i][0]], t.role[mesh.tri[i][1]], t.role[mesh.tri[i][2]]);
        Fail("ordered %zu faces", e.order.corners.size());
    }
    return e.order;
}

} // namespace duckgen
