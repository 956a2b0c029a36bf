// The generator's steps, in the order main() runs them, and what each one
// hands to the next. Every step takes what it needs as arguments and
// returns what it made; nothing passes between them any other way.
#ifndef DUCKVIEW_TOOLS_DUCKGEN_PIPELINE_H
#define DUCKVIEW_TOOLS_DUCKGEN_PIPELINE_H

#include <set>
#include <utility>
#include <vector>

#include "figure.h"
#include "mesh.h"
#include "model/model.h"
#include "report.h"
#include "shape.h"
#include "vec3.h"

namespace duckgen {

// What a vertex is: free (placed by sampling), or fixed as one of the
// pinned rows, the rim of the opening, the slit, the ring at the base of the
// neck, the crease round the tail end or the tip of the bill.
enum Role { kFree, kPinned, kRim, kSlit, kNeck, kTailEdge, kTip };

struct Fixed {
    Vec3 p;
    Role role;
    int row;      // the table row it is pinned to, or -1
    double reach; // bump reach when it pins the surface
};

// The vertices placed before any free one, and the curves they lie on.
struct FixedVertices {
    std::vector<Fixed> vertices;
    std::vector<Vec3> tailCrease; // kTailCrease points, vertex 113 in the middle
    std::vector<Vec3> slit;       // back end, vertex 109, front end, far side
    SlitOutline slitOutline;
    std::vector<Vec3> rim;  // kRimEdges points from vertex 129 (PlaceRings)
    std::vector<Vec3> neck; // kNeckRing points from the rearmost (PlaceRings)
};

// 1. The fixed vertices that lie on the parts as they are: the pinned rows,
//    the crease round the tail end and the slit under the tail tip.
FixedVertices PlaceOnParts(const Log &log);

// 2. Small radial bumps so that the surface passes exactly through them.
Shape PinSurface(const FixedVertices &fixed, const Log &log);

// 3. The rim of the opening underneath and the ring at the base of the neck,
//    found on the pinned surface and added to the fixed vertices.
FixedVertices PlaceRings(FixedVertices fixed, const Shape &shape);

// Every vertex, fixed ones first in the order they were placed.
struct Vertices {
    std::vector<Vec3> pos;
    std::vector<Role> role;
    std::vector<int> row;     // the row each is pinned to, or -1
    std::vector<int> partner; // the free vertex mirroring a free vertex, or -1
};

// 4. The free vertices, spread evenly over the surface by farthest-point
//    sampling of a dense set of surface points: first the tail beyond
//    distance 1, then the rest, each with its mirror image across
//    y = kMirrorY where that fits.
Vertices SampleFreeVertices(const FixedVertices &fixed, const Shape &shape, const Log &log);

// The vertices, their directions from the eye and the triangles over them.
struct Triangulation : Vertices {
    std::vector<Vec3> dir;
    Mesh mesh;
    std::set<std::pair<int, int>> fixedEdges;          // never flipped away
    std::set<std::pair<int, int>> rimEdges, slitEdges; // the openings' loops
    std::vector<int> neck, tailCrease;                 // crease vertices in order

    int Row(int row) const; // the vertex pinned to a row
    // Whether triangle a b c turns the right way round both on the sphere
    // of directions and on the surface.
    bool Positive(int a, int b, int c) const;
    // Flips edge a b to the other diagonal of its two triangles, unless that
    // diagonal is an edge already or a new triangle would turn the wrong way
    // round (on the sphere, and on the surface too if asked); false then.
    bool Flip(int a, int b, bool requirePositive3d);
};

// 5. The convex hull of all directions (a spherical Delaunay triangulation),
//    with the rim, slit, neck ring, tail crease and chest edges forced in by
//    flips.
Triangulation Triangulate(const Vertices &vertices);

// 6. Flips and tangential smoothing for even triangles (mirrored pairs
//    moving together), then flips away from crowded vertices.
Triangulation EvenOut(Triangulation t, const Shape &shape, const Log &log);

// 7. The two openings cut out: the triangles inside the rim and the slit.
Triangulation CutOpenings(Triangulation t, const Log &log);

// 8. The positions rounded as stored, with the free neighbours of the four
//    chest vertices whose normals are pinned nudged until the averaged
//    normals match the pinned ones.
std::vector<Vec3> NudgePinnedNormals(const Triangulation &t, const Log &log);

// The normals: smooth, or one per group of triangles between crease edges.
struct Shading {
    std::vector<std::vector<int>> fan;          // triangles round each vertex, in order
    std::vector<Triangle> cornerGroup;          // per corner: which of its vertex's normals
    std::vector<std::vector<Vec3>> groupNormal; // the normals of each vertex
};

// 9. Sharp edges along the creases (and the most sharply bent ones until
//    the normal count is reached), and a normal per group between them.
Shading ComputeNormals(const Triangulation &t, const std::vector<Vec3> &pos);

// The order the table draws the triangles in.
struct FaceOrder {
    std::vector<Triangle> corners; // each triangle's corners as drawn
    std::vector<int> triangle;     // the triangle of the mesh it is
    int across;                    // the vertex across edge 426 -> 1
};

// 10. A face order growing from the chest: the fan round vertex 0, then
//     vertex by vertex, a small patch round vertex 426 last.
FaceOrder OrderFaces(const Triangulation &t, const std::vector<Vec3> &pos, const Shading &shading);

// The tables as the program stores them.
struct Tables {
    float vertices[kVertexCount][3];
    float normals[kNormalCount][3];
    float texCoords[kVertexCount][3];
    MeshFace faces[kFaceCount];

    ModelMesh Mesh() const; // the record the program would make of them
};

// 11. The numbering (the pinned rows keep their numbers, the rest by first
//     use, normals too) and the values rounded to six decimals.
Tables NumberTables(const Triangulation &t, const std::vector<Vec3> &pos, const Shading &shading,
                    const FaceOrder &order, const Log &log);

// 12. The tables as C++ source.
void WriteTables(const char *path, const Tables &tables);

} // namespace duckgen

#endif // DUCKVIEW_TOOLS_DUCKGEN_PIPELINE_H
