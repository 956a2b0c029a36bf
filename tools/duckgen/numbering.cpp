// Step 11: the numbering and the values as stored. The pinned rows keep
// their numbers, and so do the two vertices the second and third faces
// open with and the vertex that closes the table; the rest are numbered by
// first use in the face table, and so are the normals.
#include <array>
#include <cmath>
#include <cstdlib>

#include "numeric.h"
#include "pipeline.h"

namespace duckgen {

namespace {

// Rounds a unit normal to six decimals keeping its length within 1e-6 of 1.
std::array<float, 3> StoredNormal(Vec3 n)
{
    std::array<float, 3> best = {Stored(n.x), Stored(n.y), Stored(n.z)};
    double bestErr = 1e9;
    double base[3] = {Round6(n.x), Round6(n.y), Round6(n.z)};
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy)
            for (int dz = -1; dz <= 1; ++dz) {
                float c[3] = {(float)(base[0] + dx * 1e-6), (float)(base[1] + dy * 1e-6), (float)(base[2] + dz * 1e-6)};
                double l = std::sqrt((double)c[0] * c[0] + (double)c[1] * c[1] + (double)c[2] * c[2]);
                double err = std::fabs(l - 1) + 1e-3 * (std::abs(dx) + std::abs(dy) + std::abs(dz)) * 1e-6;
                if (err < bestErr) {
                    bestErr = err;
                    best = {(float)Round6(c[0]), (float)Round6(c[1]), (float)Round6(c[2])};
                }
            }
    return best;
}

// The table row of every vertex.
std::vector<int> VertexNumbers(const Triangulation &t, const FaceOrder &order)
{
    std::vector<int> label(kVertexCount, -1);
    std::vector<char> taken(kVertexCount, 0);
    auto reserve = [&](int v, int l) {
        label[v] = l;
        taken[l] = 1;
    };
    for (int v = 0; v < kVertexCount; ++v)
        if (t.row[v] >= 0)
            reserve(v, t.row[v]);
    reserve(order.corners[1][0], 3);
    reserve(order.corners[2][0], 4);
    reserve(order.across, 419);
    int next = 0;
    for (auto &f : order.corners)
        for (int v : f)
            if (label[v] < 0) {
                while (taken[next])
                    ++next;
                reserve(v, next);
            }
    return label;
}

} // namespace

Tables NumberTables(const Triangulation &t, const std::vector<Vec3> &pos, const Shading &shading,
                    const FaceOrder &order, const Log &log)
{
    const Mesh &mesh = t.mesh;
    std::vector<int> label = VertexNumbers(t, order);

    // Normals by first use.
    std::vector<std::vector<int>> normalIndex(kVertexCount);
    for (int v = 0; v < kVertexCount; ++v)
        normalIndex[v].assign(shading.groupNormal[v].size(), -1);
    std::vector<Vec3> normals;
    std::vector<Triangle> faceNormals;
    for (size_t o = 0; o < order.corners.size(); ++o) {
        int f = order.triangle[o];
        Triangle ni;
        for (int c = 0; c < 3; ++c) {
            int v = order.corners[o][c];
            int g = shading.cornerGroup[f][CornerOf(mesh.tri[f], v)];
            if (normalIndex[v][g] < 0) {
                normalIndex[v][g] = (int)normals.size();
                normals.push_back(shading.groupNormal[v][g]);
            }
            ni[c] = normalIndex[v][g];
        }
        faceNormals.push_back(ni);
    }
    const int v426 = t.Row(426);
    if ((int)normals.size() != kNormalCount || normalIndex[order.across][0] != 456 || normalIndex[v426][0] != 464)
        Fail("normal numbering came out wrong (%zu, %d, %d)", normals.size(), normalIndex[order.across][0],
             normalIndex[v426][0]);

    Tables tables;
    for (int i = 0; i < kNormalCount; ++i) {
        std::array<float, 3> n = StoredNormal(normals[i]);
        for (int k = 0; k < 3; ++k)
            tables.normals[i][k] = n[k];
    }
    // The pinned normals as given, in place of the averaged ones they match.
    for (const PinnedNormal &pinned : kPinnedNormals) {
        int idx = normalIndex[t.Row(pinned.row)][0];
        Vec3 given = pinned.normal;
        log("row normal %d: %.4f degrees from the averaged one\n", idx,
            Angle(normals[idx], given) * 180 / 3.14159265358979323846);
        tables.normals[idx][0] = (float)given.x;
        tables.normals[idx][1] = (float)given.y;
        tables.normals[idx][2] = (float)given.z;
    }

    // Positions, and texture coordinates by a planar projection along x;
    // the first three rows as pinned (within rounding of the projection).
    const float pinnedTexCoords[3][2] = {{0.572382f, 0.19452f}, {0.472245f, 0.257693f}, {0.574468f, 0.31651f}};
    for (int v = 0; v < kVertexCount; ++v) {
        int l = label[v];
        Vec3 p = pos[v];
        tables.vertices[l][0] = (float)p.x;
        tables.vertices[l][1] = (float)p.y;
        tables.vertices[l][2] = (float)p.z;
        float u = Stored(0.978421 * p.y + 0.567926), w = Stored(1.021666 * p.z + 0.588809);
        if (l < 3) {
            u = pinnedTexCoords[l][0];
            w = pinnedTexCoords[l][1];
        }
        tables.texCoords[l][0] = u;
        tables.texCoords[l][1] = w;
        tables.texCoords[l][2] = 0;
    }

    for (int o = 0; o < kFaceCount; ++o)
        for (int c = 0; c < 3; ++c) {
            MeshFace &face = tables.faces[o];
            face.vertexIndex[c] = face.texCoordIndex[c] = label[order.corners[o][c]];
            face.normalIndex[c] = faceNormals[o][c];
        }
    return tables;
}

} // namespace duckgen
