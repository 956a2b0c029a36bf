// The duck's shape: a solid made of a few simple parts (a lofted body, a
// chest, a pointed tail, a head and a bill), all seen from one inner point,
// the eye. Every ray from the eye leaves the solid exactly once, so the
// surface is a radius for each direction, and a triangulation of directions
// on the unit sphere is a valid triangulation of the surface.
#ifndef DUCKVIEW_TOOLS_DUCKGEN_SHAPE_H
#define DUCKVIEW_TOOLS_DUCKGEN_SHAPE_H

#include <vector>

#include "vec3.h"

namespace duckgen {

// A radial bump round one direction: the surface moves out by `amount`
// there, by less further off, and not at all beyond `reach`.
struct Bump {
    Vec3 dir;
    double reach, amount;
};

// The surface: the parts as they are, plus the bumps that pin it to the
// fixed vertices.
struct Shape {
    std::vector<Bump> bumps;
};

// How far from the eye each side reaches along a direction: the body side
// (body, chest, tail) and the head side (head, bill). The surface is the
// larger of the two, which leaves a crease where they meet.
struct PartRadii {
    double lower, upper;
};
PartRadii Parts(Vec3 d);
double RawRadius(Vec3 d); // the parts without bumps
double BodyExit(Vec3 d);
double ChestExit(Vec3 d);

double Kernel(Vec3 d, const Bump &b); // the share of a bump at direction d
double Radius(const Shape &shape, Vec3 d);
Vec3 Surface(const Shape &shape, Vec3 d); // the surface point along d
Vec3 DirOf(Vec3 p);                       // the direction of p from the eye

// The tail's cross-section at x: how far along the tail (0 at the tip),
// the middle, the crease height and the half width.
struct TailFrame {
    double s, centreY, creaseZ, halfWidth;
};
TailFrame TailAt(double x);
double KeelDepth(double s); // depth of the tail's keel below the crease
double TailU(Vec3 p);       // across the tail: -1 to 1 from side to side

// The slit under the tail, as (x, u) on the tail's underside: back end,
// vertex 109 on one side, front end, and the other side.
struct SlitOutline {
    double xu[4][2];
};
// Whether a point of the tail's underside lies in the slit grown by the
// given margin (a fraction of its size).
bool InSlit(const SlitOutline &slit, Vec3 p, double margin);

// Whether a point lies beyond distance 1, and whether it may lie where it is:
// not close to distance 1, not beyond it outside the tail.
bool BeyondOne(Vec3 p);
bool AllowedDistance(Vec3 p);
// Whether a point lies below the rim of the opening underneath.
bool BelowRim(Vec3 p);
// The point's mirror image across y = kMirrorY.
Vec3 Mirror(Vec3 p);
// Relative spacing of the vertices: finer on and round the bill, whose
// narrow shape needs more of them for smooth shading.
double Spacing(Vec3 p);

} // namespace duckgen

#endif // DUCKVIEW_TOOLS_DUCKGEN_SHAPE_H
