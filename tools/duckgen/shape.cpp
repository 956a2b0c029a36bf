// The duck's parts and the radial surface they make, seen from the eye.
#include "shape.h"

#include <algorithm>
#include <cmath>

#include "figure.h"

namespace duckgen {

namespace {

double Sq(double v) { return v * v; }

double Pow34(double s) // s^0.75
{
    double r = std::sqrt(s);
    return r * std::sqrt(r);
}

// Polynomial smooth maximum: the plain maximum once a and b differ by k.
double SMax(double a, double b, double k)
{
    double h = std::max(k - std::fabs(a - b), 0.0) / k;
    return std::max(a, b) + h * h * k / 4;
}

// Where a ray from o along d leaves an ellipsoid; -1 when it misses.
double EllipsoidExit(Vec3 o, Vec3 d, Vec3 centre, Vec3 axes)
{
    Vec3 q = {(o.x - centre.x) / axes.x, (o.y - centre.y) / axes.y, (o.z - centre.z) / axes.z};
    Vec3 e = {d.x / axes.x, d.y / axes.y, d.z / axes.z};
    double a = Dot(e, e), b = Dot(q, e), c = Dot(q, q) - 1;
    double disc = b * b - a * c;
    if (disc < 0)
        return -1;
    double t = (-b + std::sqrt(disc)) / a;
    return t > 0 ? t : -1;
}

bool InBody(Vec3 p)
{
    double t = p.z - kBodyZ;
    if (t >= 0) {
        double f = 1 - Sq(t / kBodyTop);
        return f > 0 && Sq((p.x - kBodyX) / kBodyHalfLength) + Sq((p.y - kBodyY) / kBodyHalfWidth) <= f;
    }
    double d = -t;
    double fa = 1 - Sq(d / kKeelDepthAlong), fb = 1 - Sq(d / kKeelDepthAcross);
    if (fa <= 0 || fb <= 0)
        return false;
    double cx = kBodyX + kKeelShiftX * d, cy = kBodyY + kKeelShiftY * d;
    return Sq(p.x - cx) / (Sq(kBodyHalfLength) * fa) + Sq(p.y - cy) / (Sq(kBodyHalfWidth) * fb) <= 1;
}

bool InTail(Vec3 p)
{
    if (p.x <= kVertex113.x || p.x > -0.35)
        return false;
    TailFrame f = TailAt(p.x);
    double u = (p.y - f.centreY) / f.halfWidth;
    if (std::fabs(u) >= 1)
        return false;
    if (p.z >= f.creaseZ)
        return p.z - f.creaseZ <= kTailDome * Pow34(f.s) * (1 - u * u);
    return f.creaseZ - p.z <= KeelDepth(f.s) * std::sqrt(1 - u * u);
}

// The bill's frame: along its axis, across (horizontal) and up.
struct BillFrame {
    Vec3 axis, across, up;
    double length;
};

BillFrame MakeBillFrame()
{
    BillFrame f;
    Vec3 a = kVertex227 - kBillRoot;
    f.length = Length(a);
    f.axis = a * (1 / f.length);
    f.across = Unit(Cross(f.axis, Vec3{0, 0, 1}));
    f.up = Cross(f.across, f.axis);
    return f;
}
const BillFrame kBill = MakeBillFrame();

bool InBill(Vec3 p)
{
    Vec3 q = p - kBillRoot;
    double s = Dot(q, kBill.axis) / kBill.length;
    if (s >= 1 || s < -0.6)
        return false;
    double f = s < 0 ? 1 : 1 - s;
    double w = kBillHalfWidth * std::sqrt(f), h = kBillHalfHeight * std::sqrt(f);
    return Sq(Dot(q, kBill.across) / w) + Sq(Dot(q, kBill.up) / h) <= 1;
}

// Halves n times the stretch of the ray from the eye along d between a
// distance that is inside a part and one that is not; the last inside.
double Bisect(bool (*inside)(Vec3), Vec3 d, double in, double out, int n)
{
    for (int i = 0; i < n; ++i) {
        double m = (in + out) / 2;
        if (inside(kEye + d * m))
            in = m;
        else
            out = m;
    }
    return in;
}

// Last point where a ray from the eye is inside a part whose bounding sphere
// is given; -1 when it never is.
double LastExit(bool (*inside)(Vec3), Vec3 d, Vec3 centre, double radius)
{
    Vec3 oc = kEye - centre;
    double b = Dot(oc, d), c = Dot(oc, oc) - radius * radius;
    double disc = b * b - c;
    if (disc <= 0)
        return -1;
    double root = std::sqrt(disc);
    double t0 = std::max(-b - root, 0.0), t1 = -b + root;
    if (t1 <= 0)
        return -1;
    const double step = 0.003;
    double outside = t1;
    for (double t = t1 - step; t > t0; t -= step) {
        if (inside(kEye + d * t))
            return Bisect(inside, d, t, outside, 48);
        outside = t;
    }
    return -1;
}

constexpr Vec3 kTailBoundCentre = {-0.76, -0.07, -0.30};
constexpr double kTailBoundRadius = 0.50;
constexpr Vec3 kBillBoundCentre = {0.55, -0.097, -0.05};
constexpr double kBillBoundRadius = 0.34;

double RimPlaneZ(double x, double y)
{
    return kVertex129.z + kRimSlope * ((x - kVertex129.x) * kRimDirX + (y - kVertex129.y) * kRimDirY);
}

} // namespace

bool BeyondOne(Vec3 p) { return Length(p) > 1; }
bool AllowedDistance(Vec3 p)
{
    double r = Length(p);
    return r < kFarthest - 0.002 && std::fabs(r - 1) > kUnitGap && (r < 1 || p.x < kTailStartX);
}

double KeelDepth(double s) { return kTailKeelNear * s / (s + kTailKeelKnee) + kTailKeelSlope * s; }

TailFrame TailAt(double x)
{
    TailFrame f;
    f.s = std::min((x - kVertex113.x) / kTailLength, 1.0);
    f.centreY = kVertex113.y + (kBodyY - kVertex113.y) * f.s;
    f.creaseZ = kVertex113.z - kTailDrop * f.s;
    f.halfWidth = f.s > 0 ? kTailWidth * Pow34(f.s) : 0;
    return f;
}

double Spacing(Vec3 p)
{
    Vec3 a = {0.60, -0.097, -0.035};
    Vec3 ab = kVertex227 - a;
    double t = std::min(1.0, std::max(0.0, Dot(p - a, ab) / Dot(ab, ab)));
    double d = Length(p - (a + ab * t));
    return 1 - 0.6 * std::max(0.0, 1 - d / 0.18);
}

double ChestExit(Vec3 d)
{
    double t = EllipsoidExit(kEye, d, kChestCentre, kChestAxes);
    if (t > 0 && kEye.z + d.z * t < kChestCentre.z)
        t = EllipsoidExit(kEye, d, kChestCentre, kChestLowerAxes);
    return t;
}

double BodyExit(Vec3 d) { return Bisect(InBody, d, 0, 2.5, 56); }

PartRadii Parts(Vec3 d)
{
    double body = BodyExit(d);
    double chest = ChestExit(d);
    double tail = LastExit(InTail, d, kTailBoundCentre, kTailBoundRadius);
    double head = EllipsoidExit(kEye, d, kHeadCentre, kHeadAxes);
    double bill = LastExit(InBill, d, kBillBoundCentre, kBillBoundRadius);
    PartRadii r;
    r.lower = SMax(SMax(body, chest, kBlendChest), tail, kBlendTail);
    r.upper = SMax(head, bill, kBlendBill);
    return r;
}

double RawRadius(Vec3 d)
{
    PartRadii r = Parts(d);
    return std::max(r.lower, r.upper);
}

double Kernel(Vec3 d, const Bump &b)
{
    double t = Sq(Length(d - b.dir) / b.reach);
    return t < 1 ? (1 - t) * (1 - t) * (1 - t) : 0;
}

double Radius(const Shape &shape, Vec3 d)
{
    double r = RawRadius(d);
    for (const Bump &b : shape.bumps)
        r += b.amount * Kernel(d, b);
    return r;
}

Vec3 Surface(const Shape &shape, Vec3 d) { return kEye + d * Radius(shape, d); }
Vec3 DirOf(Vec3 p) { return Unit(p - kEye); }

bool BelowRim(Vec3 p) { return p.z < RimPlaneZ(p.x, p.y); }

Vec3 Mirror(Vec3 p) { return {p.x, 2 * kMirrorY - p.y, p.z}; }

double TailU(Vec3 p)
{
    TailFrame f = TailAt(p.x);
    return (p.y - f.centreY) / f.halfWidth;
}

bool InSlit(const SlitOutline &slit, Vec3 p, double margin)
{
    if (p.x <= kVertex113.x || p.x > -0.9 || p.z >= TailAt(p.x).creaseZ)
        return false;
    double cx = 0, cu = 0;
    for (auto &c : slit.xu)
        cx += c[0] / 4, cu += c[1] / 4;
    double x = cx + (p.x - cx) / (1 + margin), u = cu + (TailU(p) - cu) / (1 + margin);
    int pos = 0, neg = 0;
    for (int i = 0; i < 4; ++i) {
        const double *a = slit.xu[i], *b = slit.xu[(i + 1) % 4];
        double s = (b[0] - a[0]) * (u - a[1]) - (b[1] - a[1]) * (x - a[0]);
        (s >= 0 ? pos : neg)++;
    }
    return pos == 0 || neg == 0;
}

} // namespace duckgen
