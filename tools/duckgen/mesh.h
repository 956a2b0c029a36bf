// Triangles over numbered vertices, and what the steps ask of them.
#ifndef DUCKVIEW_TOOLS_DUCKGEN_MESH_H
#define DUCKVIEW_TOOLS_DUCKGEN_MESH_H

#include <algorithm>
#include <array>
#include <map>
#include <utility>
#include <vector>

#include "vec3.h"

namespace duckgen {

using Triangle = std::array<int, 3>;

// Triangles with their directed edges looked up.
struct Mesh {
    std::vector<Triangle> tri;
    std::map<std::pair<int, int>, int> edge; // directed edge -> triangle

    void Rebuild()
    {
        edge.clear();
        for (int t = 0; t < (int)tri.size(); ++t)
            for (int k = 0; k < 3; ++k)
                edge[{tri[t][k], tri[t][(k + 1) % 3]}] = t;
    }
    int Find(int a, int b) const
    {
        auto it = edge.find({a, b});
        return it == edge.end() ? -1 : it->second;
    }
    bool HasEdge(int a, int b) const { return Find(a, b) >= 0 || Find(b, a) >= 0; }
    int Third(int t, int a, int b) const
    {
        for (int k = 0; k < 3; ++k)
            if (tri[t][k] != a && tri[t][k] != b)
                return tri[t][k];
        return -1;
    }
    // Replaces two triangles at once (a flip): both lose their edges before
    // either gets its new ones, since the new pair reuses some of them.
    void Replace(int t, Triangle v, int u, Triangle w)
    {
        for (int k = 0; k < 3; ++k) {
            edge.erase({tri[t][k], tri[t][(k + 1) % 3]});
            edge.erase({tri[u][k], tri[u][(k + 1) % 3]});
        }
        tri[t] = v;
        tri[u] = w;
        for (int k = 0; k < 3; ++k) {
            edge[{v[k], v[(k + 1) % 3]}] = t;
            edge[{w[k], w[(k + 1) % 3]}] = u;
        }
    }
};

// An undirected edge: its ends, lower first.
inline std::pair<int, int> Key(int a, int b) { return {std::min(a, b), std::max(a, b)}; }

// Which corner of the triangle vertex v is.
inline int CornerOf(const Triangle &f, int v) { return f[0] == v ? 0 : f[1] == v ? 1 : 2; }

// The triangles round each of n vertices, in table order.
std::vector<std::vector<int>> VertexTriangles(const Mesh &m, int n);

// A triangle's unit normal, and the normalised sum of those of the given
// triangles (the smooth normal of a vertex, given the triangles round it).
Vec3 FaceNormal(const std::vector<Vec3> &p, const Triangle &f);
Vec3 SmoothNormal(const std::vector<Vec3> &p, const std::vector<Triangle> &tris, const std::vector<int> &around);

} // namespace duckgen

#endif // DUCKVIEW_TOOLS_DUCKGEN_MESH_H
