// Every number that fixes the duck: the rows it is pinned to, the counts its
// tables have, and the sizes of the parts it is made of.
#ifndef DUCKVIEW_TOOLS_DUCKGEN_FIGURE_H
#define DUCKVIEW_TOOLS_DUCKGEN_FIGURE_H

#include "model/model.h"
#include "vec3.h"

namespace duckgen {

// The rows the figure is pinned to.
constexpr Vec3 kVertex0 = {0.599273, 0.004554, -0.385927};
constexpr Vec3 kVertex1 = {0.631256, -0.097791, -0.324094};
constexpr Vec3 kVertex2 = {0.601405, 0.006687, -0.266525};
constexpr Vec3 kVertex109 = {-1.168318, -0.057279, -0.379531};
constexpr Vec3 kVertex113 = {-1.174715, -0.053015, -0.334755};
constexpr Vec3 kVertex129 = {-0.592625, 0.151676, -0.541578};
constexpr Vec3 kVertex227 = {0.825285, -0.095659, -0.076759};
constexpr Vec3 kVertex292 = {0.360467, -0.099923, 0.373134};
constexpr Vec3 kVertex426 = {0.595008, -0.200136, -0.381663};

// The pinned normals 0, 1, 2 and 464, and the rows of the vertices they
// belong to.
struct PinnedNormal {
    int row;
    Vec3 normal;
};
constexpr PinnedNormal kPinnedNormals[4] = {
    {2, {0.843732, 0.437379, 0.311152}},
    {1, {0.999485, -0.021446, -0.023887}},
    {0, {0.867375, 0.405257, -0.288837}},
    {426, {0.846164, -0.459102, -0.270615}},
};

constexpr double kMinY = -0.566874;
// Vertex 109 is the farthest from the origin; everything else stays inside.
constexpr double kFarthest = 1.229762;
// Only the tail, behind this x, reaches beyond distance 1, with this many
// vertices; no vertex comes within kUnitGap of distance 1.
constexpr double kTailStartX = -0.88;
constexpr int kBeyondOne = 28;
constexpr double kUnitGap = 0.003;
constexpr double kMaxY = 0.411804;

// The counts of the tables are the program's (model/model.h).
constexpr int kVertexCount = kModelVertexCount;
constexpr int kNormalCount = kModelNormalCount;
constexpr int kFaceCount = kModelFaceCount;
constexpr int kRimEdges = 28;
constexpr int kSlitEdges = 4;
constexpr int kNeckRing = 9;
constexpr int kTailCrease = 9;

// The parts.

// Every ray from here leaves the solid once.
constexpr Vec3 kEye = {0.30, -0.09, -0.08};

// Body: a half ellipsoid on top of a lofted keel whose sections shrink
// faster across than along, down to the opening.
constexpr double kBodyX = -0.15;
constexpr double kBodyY = (kMinY + kMaxY) / 2;
constexpr double kBodyZ = -0.2975;
constexpr double kBodyHalfLength = 0.75;
constexpr double kBodyHalfWidth = (kMaxY - kMinY) / 2;
constexpr double kBodyTop = 0.3035;
constexpr double kKeelDepthAlong = 0.37;
constexpr double kKeelDepthAcross = 0.303;
constexpr double kKeelShiftX = 0.0;
constexpr double kKeelShiftY = 0.10;

// Chest: an ellipsoid fitted to the four chest rows and their normals.
constexpr Vec3 kChestCentre = {0.363197, -0.091835, -0.324536};
constexpr Vec3 kChestAxes = {0.268544, 0.247197, 0.230647};
// Below its middle the chest curves in sooner, towards the opening.
constexpr Vec3 kChestLowerAxes = {0.268544, 0.247197, 0.212};

// Head: an ellipsoid whose top is vertex 292.
constexpr Vec3 kHeadAxes = {0.249, 0.20, 0.25};
constexpr Vec3 kHeadCentre = {kVertex292.x, kVertex292.y, kVertex292.z - 0.25};

// Bill: a flattened cone from inside the head to vertex 227.
constexpr Vec3 kBillRoot = {0.50, -0.097, -0.02};
constexpr double kBillHalfWidth = 0.12;
constexpr double kBillHalfHeight = 0.085;

// Tail: pointed at vertex 113; a domed top meets a deep rounded keel along
// an edge that runs round the tail end.
constexpr double kTailLength = 0.62;
constexpr double kTailWidth = 0.38;
constexpr double kTailDome = 0.30;
// Keel depth: steep just behind the tip, then growing slowly.
constexpr double kTailKeelNear = 0.075;
constexpr double kTailKeelKnee = 0.008;
constexpr double kTailKeelSlope = 0.16;
constexpr double kTailDrop = 0.02;

// The opening underneath: the surface below the plane through vertex 129
// that rises slowly away from it.
constexpr double kRimSlope = 0.055;
constexpr double kRimDirX = 0.472;
constexpr double kRimDirY = -0.882;

// The slit under the tail tip.
constexpr double kSlitBackX = -1.1730;
constexpr double kSlitFrontX = -0.9980;
constexpr double kSlitPerimeter = 0.465;

// Blending widths (radial).
constexpr double kBlendChest = 0.06;
constexpr double kBlendTail = 0.08;
constexpr double kBlendBill = 0.03;

// The plane across which the figure is roughly mirror-symmetric.
constexpr double kMirrorY = -0.077;

} // namespace duckgen

#endif // DUCKVIEW_TOOLS_DUCKGEN_FIGURE_H
