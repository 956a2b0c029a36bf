// Facts derived from the duck's tables that several tests look at: edges,
// boundary loops, the triangles round each vertex, triangle normals.
#ifndef DUCKVIEW_TESTS_MODEL_MESH_FACTS_H
#define DUCKVIEW_TESTS_MODEL_MESH_FACTS_H

#include <array>
#include <cmath>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "../../common/vec3.h"
#include "model/model.h"

namespace meshfacts {

inline double DegreesBetween(Vec3 a, Vec3 b)
{
    double c = Dot(Unit(a), Unit(b));
    return std::acos(c > 1 ? 1 : c < -1 ? -1 : c) * 180 / 3.14159265358979323846;
}

inline Vec3 Vertex(int v) { return {modelVertices[v][0], modelVertices[v][1], modelVertices[v][2]}; }
inline Vec3 Normal(int n) { return {modelNormals[n][0], modelNormals[n][1], modelNormals[n][2]}; }

inline Vec3 FaceCross(int f) // (B - A) x (C - A), length twice the area
{
    const int *v = modelFaces[f].vertexIndex;
    return Cross(Vertex(v[1]) - Vertex(v[0]), Vertex(v[2]) - Vertex(v[0]));
}
inline Vec3 FaceNormal(int f) { return Unit(FaceCross(f)); }

struct Facts {
    std::map<std::pair<int, int>, int> directed;  // directed edge -> how many faces run along it
    std::map<std::pair<int, int>, int> undirected; // edge -> how many faces hold it
    std::vector<std::vector<int>> facesOf;         // faces round each vertex
    std::vector<std::set<int>> neighbours;
    std::vector<std::vector<int>> boundaryLoops; // vertex loops of one-face edges
};

inline Facts Derive()
{
    Facts m;
    m.facesOf.resize(427);
    m.neighbours.resize(427);
    for (int f = 0; f < 822; ++f) {
        const int *v = modelFaces[f].vertexIndex;
        for (int k = 0; k < 3; ++k) {
            int a = v[k], b = v[(k + 1) % 3];
            m.directed[{a, b}]++;
            m.undirected[{std::min(a, b), std::max(a, b)}]++;
            m.facesOf[a].push_back(f);
            m.neighbours[a].insert(b);
            m.neighbours[b].insert(a);
        }
    }
    // Boundary edges, followed in their own direction.
    std::map<int, int> next;
    for (auto &e : m.directed)
        if (m.undirected[{std::min(e.first.first, e.first.second), std::max(e.first.first, e.first.second)}] == 1)
            next[e.first.first] = e.first.second;
    std::set<int> seen;
    for (auto &e : next) {
        if (seen.count(e.first))
            continue;
        std::vector<int> loop;
        int v = e.first;
        while (!seen.count(v) && next.count(v)) {
            seen.insert(v);
            loop.push_back(v);
            v = next[v];
        }
        m.boundaryLoops.push_back(loop);
    }
    return m;
}

// The smooth normal of a vertex: the normalised sum of the unit normals of
// the faces round it.
inline Vec3 AveragedNormal(const Facts &m, int v)
{
    Vec3 s = {0, 0, 0};
    for (int f : m.facesOf[v])
        s = s + FaceNormal(f);
    return Unit(s);
}

// The normals each vertex takes, over all its corners.
inline std::vector<std::set<int>> NormalsOfVertices()
{
    std::vector<std::set<int>> n(427);
    for (int f = 0; f < 822; ++f)
        for (int k = 0; k < 3; ++k)
            n[modelFaces[f].vertexIndex[k]].insert(modelFaces[f].normalIndex[k]);
    return n;
}

} // namespace meshfacts

#endif // DUCKVIEW_TESTS_MODEL_MESH_FACTS_H
