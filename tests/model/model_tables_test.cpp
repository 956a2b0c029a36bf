// The duck's tables, read as data: record, indices, the pinned rows, the
// box, the topology, winding and normals, texture coordinates.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>

#include "mesh_facts.h"
#include "model/model.h"

using namespace meshfacts;

namespace {

void ExpectRow(const float *row, double a, double b, double c, const char *what, int index)
{
    EXPECT_EQ(row[0], (float)a) << what << " " << index;
    EXPECT_EQ(row[1], (float)b) << what << " " << index;
    EXPECT_EQ(row[2], (float)c) << what << " " << index;
}

void ExpectFace(int f, std::array<int, 3> v, std::array<int, 3> n)
{
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(modelFaces[f].vertexIndex[k], v[k]) << "face " << f;
        EXPECT_EQ(modelFaces[f].normalIndex[k], n[k]) << "face " << f;
        EXPECT_EQ(modelFaces[f].texCoordIndex[k], v[k]) << "face " << f;
    }
}

} // namespace

TEST(ModelRecord, OneMeshNamedWithItsTablesAndCounts)
{
    const ModelMesh &m = modelMeshes[0];
    EXPECT_STREQ(m.name, "0main010");
    EXPECT_EQ(m.faces, modelFaces);
    EXPECT_EQ(m.faceCount, 822);
    EXPECT_EQ(m.vertices, modelVertices);
    EXPECT_EQ(m.vertexCount, 427);
    EXPECT_EQ(m.normals, modelNormals);
    EXPECT_EQ(m.normalCount, 465);
    EXPECT_EQ(m.texCoords, modelTexCoords);
    EXPECT_EQ(m.texCoordCount, 427);
    EXPECT_EQ(sizeof modelFaces / sizeof modelFaces[0], 822u);
    EXPECT_EQ(sizeof(MeshFace), 9 * sizeof(int));
}

TEST(ModelRecord, EveryIndexInsideItsTableAndEveryEntryUsed)
{
    std::set<int> vertices, normals, texCoords;
    for (int f = 0; f < 822; ++f)
        for (int k = 0; k < 3; ++k) {
            const MeshFace &face = modelFaces[f];
            ASSERT_GE(face.vertexIndex[k], 0);
            ASSERT_LT(face.vertexIndex[k], 427);
            ASSERT_GE(face.normalIndex[k], 0);
            ASSERT_LT(face.normalIndex[k], 465);
            ASSERT_EQ(face.texCoordIndex[k], face.vertexIndex[k]) << "face " << f;
            vertices.insert(face.vertexIndex[k]);
            normals.insert(face.normalIndex[k]);
            texCoords.insert(face.texCoordIndex[k]);
        }
    EXPECT_EQ(vertices.size(), 427u);
    EXPECT_EQ(normals.size(), 465u);
    EXPECT_EQ(texCoords.size(), 427u);
}

TEST(PinnedRows, VerticesNormalsTexCoordsAndFaces)
{
    ExpectRow(modelVertices[0], 0.599273, 0.004554, -0.385927, "vertex", 0);
    ExpectRow(modelVertices[1], 0.631256, -0.097791, -0.324094, "vertex", 1);
    ExpectRow(modelVertices[2], 0.601405, 0.006687, -0.266525, "vertex", 2);
    ExpectRow(modelVertices[109], -1.168318, -0.057279, -0.379531, "vertex", 109);
    ExpectRow(modelVertices[113], -1.174715, -0.053015, -0.334755, "vertex", 113);
    ExpectRow(modelVertices[129], -0.592625, 0.151676, -0.541578, "vertex", 129);
    ExpectRow(modelVertices[227], 0.825285, -0.095659, -0.076759, "vertex", 227);
    ExpectRow(modelVertices[292], 0.360467, -0.099923, 0.373134, "vertex", 292);
    ExpectRow(modelVertices[426], 0.595008, -0.200136, -0.381663, "vertex", 426);

    ExpectRow(modelNormals[0], 0.843732, 0.437379, 0.311152, "normal", 0);
    ExpectRow(modelNormals[1], 0.999485, -0.021446, -0.023887, "normal", 1);
    ExpectRow(modelNormals[2], 0.867375, 0.405257, -0.288837, "normal", 2);
    ExpectRow(modelNormals[464], 0.846164, -0.459102, -0.270615, "normal", 464);

    ExpectRow(modelTexCoords[0], 0.572382, 0.19452, 0, "texture coordinate", 0);
    ExpectRow(modelTexCoords[1], 0.472245, 0.257693, 0, "texture coordinate", 1);
    ExpectRow(modelTexCoords[2], 0.574468, 0.31651, 0, "texture coordinate", 2);

    ExpectFace(0, {2, 1, 0}, {0, 1, 2});
    ExpectFace(1, {3, 2, 0}, {3, 0, 2});
    ExpectFace(2, {4, 3, 0}, {4, 3, 2});
    ExpectFace(821, {426, 1, 419}, {464, 1, 456});
}

TEST(PinnedRows, BoxOfAllVerticesIsExactlyTheStatedOne)
{
    float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
    for (int v = 0; v < 427; ++v)
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], modelVertices[v][k]);
            hi[k] = std::max(hi[k], modelVertices[v][k]);
        }
    EXPECT_EQ(lo[0], -1.174715f);
    EXPECT_EQ(hi[0], 0.825285f);
    EXPECT_EQ(lo[1], -0.566874f);
    EXPECT_EQ(hi[1], 0.411804f);
    EXPECT_EQ(lo[2], -0.541578f);
    EXPECT_EQ(hi[2], 0.373134f);
}

TEST(PinnedRows, EveryStoredValueHasAtMostSixDecimals)
{
    auto six = [](float v) { return (float)(std::nearbyint((double)v * 1e6) / 1e6) == v; };
    for (int i = 0; i < 427; ++i)
        for (int k = 0; k < 3; ++k) {
            EXPECT_TRUE(six(modelVertices[i][k])) << "vertex " << i;
            EXPECT_TRUE(six(modelTexCoords[i][k])) << "texture coordinate " << i;
        }
    for (int i = 0; i < 465; ++i)
        for (int k = 0; k < 3; ++k)
            EXPECT_TRUE(six(modelNormals[i][k])) << "normal " << i;
}

TEST(Topology, OneConnectedAnnulusWithTheRimAndTheSlit)
{
    Facts m = Derive();
    EXPECT_EQ(m.undirected.size(), 1249u);
    EXPECT_EQ(427 - (int)m.undirected.size() + 822, 0);
    int boundary = 0;
    for (auto &e : m.undirected) {
        EXPECT_LE(e.second, 2) << "edge " << e.first.first << "-" << e.first.second;
        boundary += e.second == 1;
    }
    EXPECT_EQ(boundary, 32);
    ASSERT_EQ(m.boundaryLoops.size(), 2u);
    std::vector<size_t> sizes = {m.boundaryLoops[0].size(), m.boundaryLoops[1].size()};
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes[0], 4u);
    EXPECT_EQ(sizes[1], 28u);

    // Connected: a walk over the edges reaches every vertex.
    std::vector<int> stack = {0};
    std::set<int> reached = {0};
    while (!stack.empty()) {
        int v = stack.back();
        stack.pop_back();
        for (int u : m.neighbours[v])
            if (reached.insert(u).second)
                stack.push_back(u);
    }
    EXPECT_EQ(reached.size(), 427u);
}

TEST(Topology, ConsistentWindingSingleFansNoDegenerateOrRepeatedVertices)
{
    Facts m = Derive();
    for (auto &e : m.directed)
        EXPECT_EQ(e.second, 1) << "edge " << e.first.first << "->" << e.first.second << " run twice the same way";
    for (int f = 0; f < 822; ++f) {
        const int *v = modelFaces[f].vertexIndex;
        EXPECT_TRUE(v[0] != v[1] && v[1] != v[2] && v[0] != v[2]) << "face " << f;
        EXPECT_GT(Length(FaceCross(f)) / 2, 1e-4) << "face " << f;
    }
    // Round every vertex the faces form one fan: following "the face across
    // the edge into the vertex" from any face visits all of them.
    for (int v = 0; v < 427; ++v) {
        std::map<int, int> nextFace; // from the face with edge v->a to the face with edge a->v
        std::map<int, int> faceWithOutEdge;
        for (int f : m.facesOf[v]) {
            const int *c = modelFaces[f].vertexIndex;
            int k = c[0] == v ? 0 : c[1] == v ? 1 : 2;
            faceWithOutEdge[c[(k + 1) % 3]] = f;
        }
        int start = m.facesOf[v][0];
        // A boundary vertex: start at the face whose edge into v has no twin.
        for (int f : m.facesOf[v]) {
            const int *c = modelFaces[f].vertexIndex;
            int k = c[0] == v ? 0 : c[1] == v ? 1 : 2;
            if (!faceWithOutEdge.count(c[(k + 2) % 3]) && m.directed.count({v, c[(k + 2) % 3]}) == 0)
                start = f;
        }
        std::set<int> visited;
        int f = start;
        while (f >= 0 && visited.insert(f).second) {
            const int *c = modelFaces[f].vertexIndex;
            int k = c[0] == v ? 0 : c[1] == v ? 1 : 2;
            int a = c[(k + 1) % 3];
            f = -1;
            for (int g : m.facesOf[v]) {
                const int *d = modelFaces[g].vertexIndex;
                int j = d[0] == v ? 0 : d[1] == v ? 1 : 2;
                if (d[(j + 2) % 3] == a)
                    f = g;
            }
        }
        EXPECT_EQ(visited.size(), m.facesOf[v].size()) << "vertex " << v << " has more than one fan";
    }
    std::set<std::array<float, 3>> positions;
    for (int v = 0; v < 427; ++v)
        positions.insert({modelVertices[v][0], modelVertices[v][1], modelVertices[v][2]});
    EXPECT_EQ(positions.size(), 427u);
}

TEST(Winding, CounterClockwiseFromOutsideWithNormalsOnThatSide)
{
    // Closing both openings with a fan round their centres gives a closed
    // surface; outward winding makes its enclosed volume positive.
    Facts m = Derive();
    double volume = 0;
    for (int f = 0; f < 822; ++f) {
        const int *v = modelFaces[f].vertexIndex;
        volume += Dot(Vertex(v[0]), Cross(Vertex(v[1]), Vertex(v[2]))) / 6;
    }
    for (auto &loop : m.boundaryLoops) {
        Vec3 c = {0, 0, 0};
        for (int v : loop)
            c = c + Vertex(v) * (1.0 / loop.size());
        for (size_t i = 0; i < loop.size(); ++i) // the cap runs the boundary edges backwards
            volume += Dot(c, Cross(Vertex(loop[(i + 1) % loop.size()]), Vertex(loop[i]))) / 6;
    }
    EXPECT_GT(volume, 0.3);

    double worst = 1;
    for (int f = 0; f < 822; ++f)
        for (int k = 0; k < 3; ++k) {
            double d = Dot(Normal(modelFaces[f].normalIndex[k]), FaceNormal(f));
            worst = std::min(worst, d);
            EXPECT_GE(d, 0.60) << "face " << f << " corner " << k;
        }
    RecordProperty("worst_corner_dot", std::to_string(worst));
}

TEST(Normals, UnitLengthOwnedByOneVertexAndNumberedByFirstUse)
{
    for (int n = 0; n < 465; ++n)
        EXPECT_NEAR(Length(Normal(n)), 1.0, 1e-6) << "normal " << n;
    std::vector<int> owner(465, -1);
    int next = 0;
    for (int f = 0; f < 822; ++f)
        for (int k = 0; k < 3; ++k) {
            int n = modelFaces[f].normalIndex[k], v = modelFaces[f].vertexIndex[k];
            if (owner[n] < 0) {
                EXPECT_EQ(n, next) << "face " << f << " corner " << k << " uses a normal out of turn";
                next = std::max(next, n + 1);
                owner[n] = v;
            }
            EXPECT_EQ(owner[n], v) << "normal " << n << " shared by two vertices";
        }
}

TEST(Normals, SmoothEverywhereButTheThreeCreases)
{
    Facts m = Derive();
    std::vector<std::set<int>> normalsOf = NormalsOfVertices();
    int smooth = 0, creased = 0, creaseNormals = 0;
    double worst = 0;
    std::vector<int> neck, tail, bill;
    for (int v = 0; v < 427; ++v) {
        if (normalsOf[v].size() == 1) {
            ++smooth;
            double off = DegreesBetween(Normal(*normalsOf[v].begin()), AveragedNormal(m, v));
            worst = std::max(worst, off);
            EXPECT_LE(off, 0.07) << "vertex " << v;
            continue;
        }
        ++creased;
        creaseNormals += (int)normalsOf[v].size();
        EXPECT_GE(normalsOf[v].size(), 2u);
        EXPECT_LE(normalsOf[v].size(), 6u);
        Vec3 p = Vertex(v);
        if (v == 227)
            bill.push_back(v);
        else if (p.x < -0.85 && std::fabs(p.z + 0.35) < 0.06)
            tail.push_back(v);
        else if (p.x > 0.0 && p.x < 0.6 && p.z > -0.25 && p.z < 0.1)
            neck.push_back(v);
        else
            ADD_FAILURE() << "crease vertex " << v << " away from the neck, tail end and bill tip";
    }
    EXPECT_EQ(smooth, 408);
    EXPECT_EQ(creased, 19);
    EXPECT_EQ(creaseNormals, 57);
    EXPECT_EQ(bill.size(), 1u);
    EXPECT_EQ(tail.size(), 9u);
    ASSERT_EQ(neck.size(), 9u);
    // The neck vertices form a ring: each has exactly two ring neighbours.
    for (int v : neck) {
        int ringNeighbours = 0;
        for (int u : neck)
            ringNeighbours += m.neighbours[v].count(u);
        EXPECT_EQ(ringNeighbours, 2) << "neck vertex " << v;
    }
    RecordProperty("worst_smooth_normal_degrees", std::to_string(worst));
}

TEST(TexCoords, PlanarProjectionAlongX)
{
    for (int v = 0; v < 427; ++v) {
        EXPECT_NEAR(modelTexCoords[v][0], 0.978421 * modelVertices[v][1] + 0.567926, 1.5e-6) << "vertex " << v;
        EXPECT_NEAR(modelTexCoords[v][1], 1.021666 * modelVertices[v][2] + 0.588809, 1.5e-6) << "vertex " << v;
        EXPECT_EQ(modelTexCoords[v][2], 0.0f);
    }
}
