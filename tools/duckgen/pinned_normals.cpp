// Step 8: the positions as stored, with the free vertices round the four
// chest vertices whose normals are pinned nudged until each pinned normal is
// the averaged normal of the triangles round its vertex.
#include <algorithm>

#include "numeric.h"
#include "pipeline.h"

namespace duckgen {

namespace {

// The positions the normals are worked out from: x and y rounded to six
// decimals, z to the float the table stores. (The first tables came from a
// build whose compiler dropped the float step on x and y; this keeps that
// arithmetic, and so those tables, in every build.)
Vec3 RoundedPosition(Vec3 p) { return Vec3{Round6(p.x), Round6(p.y), (double)Stored(p.z)}; }

// The four chest vertices and how far their averaged normals are from the
// pinned ones.
struct ChestNormals {
    const std::vector<Triangle> &tris;
    std::vector<std::vector<int>> around; // the triangles round each vertex
    int vertex[4];                        // the vertex of each pinned normal

    // The cross products of averaged and pinned normals, three values each.
    std::vector<double> Residual(const std::vector<Vec3> &p) const
    {
        std::vector<double> r;
        for (int k = 0; k < 4; ++k) {
            Vec3 n = SmoothNormal(p, tris, around[vertex[k]]);
            Vec3 c = Cross(n, kPinnedNormals[k].normal);
            r.push_back(c.x);
            r.push_back(c.y);
            r.push_back(c.z);
        }
        return r;
    }
    // The largest angle between an averaged normal and its pinned one, in
    // degrees.
    double Worst(const std::vector<Vec3> &p) const
    {
        double w = 0;
        for (int k = 0; k < 4; ++k) {
            Vec3 n = SmoothNormal(p, tris, around[vertex[k]]);
            w = std::max(w, Angle(n, kPinnedNormals[k].normal) * 180 / 3.14159265358979323846);
        }
        return w;
    }
};

double &Coordinate(Vec3 &v, size_t j) { return j % 3 == 0 ? v.x : j % 3 == 1 ? v.y : v.z; }

// One damped least-squares step for the coordinates of the movable
// vertices, with a pull back to where they started; the Jacobian by forward
// differences.
std::vector<double> NudgeStep(const ChestNormals &chest, const std::vector<int> &movable, const std::vector<Vec3> &pos,
                              const std::vector<Vec3> &start)
{
    std::vector<double> r0 = chest.Residual(pos);
    size_t nv = movable.size() * 3, nr = r0.size();
    std::vector<std::vector<double>> jac(nr, std::vector<double>(nv));
    const double eps = 1e-6;
    for (size_t j = 0; j < nv; ++j) {
        std::vector<Vec3> q = pos;
        Coordinate(q[movable[j / 3]], j) += eps;
        std::vector<double> r1 = chest.Residual(q);
        for (size_t i = 0; i < nr; ++i)
            jac[i][j] = (r1[i] - r0[i]) / eps;
    }
    const double lambda = 1e-4;
    std::vector<std::vector<double>> a(nv, std::vector<double>(nv, 0));
    std::vector<double> g(nv, 0);
    for (size_t j = 0; j < nv; ++j) {
        Vec3 d = pos[movable[j / 3]] - start[movable[j / 3]];
        double off = Coordinate(d, j);
        for (size_t k = 0; k < nv; ++k)
            for (size_t i = 0; i < nr; ++i)
                a[j][k] += jac[i][j] * jac[i][k];
        a[j][j] += lambda;
        for (size_t i = 0; i < nr; ++i)
            g[j] -= jac[i][j] * r0[i];
        g[j] -= lambda * off;
    }
    return Solve(a, g);
}

} // namespace

std::vector<Vec3> NudgePinnedNormals(const Triangulation &t, const Log &log)
{
    ChestNormals chest = {t.mesh.tri, VertexTriangles(t.mesh, kVertexCount), {}};
    for (int k = 0; k < 4; ++k)
        chest.vertex[k] = t.Row(kPinnedNormals[k].row);
    std::vector<Vec3> pos = t.pos;
    for (Vec3 &p : pos)
        p = RoundedPosition(p);

    // The free vertices of the triangles round the four.
    std::vector<int> movable;
    for (int v : chest.vertex)
        for (int f : chest.around[v])
            for (int u : t.mesh.tri[f])
                if (t.role[u] == kFree && std::find(movable.begin(), movable.end(), u) == movable.end())
                    movable.push_back(u);
    std::sort(movable.begin(), movable.end());

    log("chest normals off by up to %.3f degrees before nudging\n", chest.Worst(pos));
    std::vector<Vec3> start = pos;
    for (int iter = 0; iter < 40 && chest.Worst(pos) > 0.01; ++iter) {
        std::vector<double> step = NudgeStep(chest, movable, pos, start);
        for (size_t j = 0; j < step.size(); ++j)
            Coordinate(pos[movable[j / 3]], j) += step[j];
        for (int u : movable)
            pos[u] = RoundedPosition(pos[u]);
    }
    double moved = 0;
    for (int u : movable)
        moved = std::max(moved, Length(pos[u] - start[u]));
    log("chest normals off by up to %.4f degrees after nudging %zu vertices by up to %.4f\n", chest.Worst(pos),
        movable.size(), moved);
    return pos;
}

} // namespace duckgen
