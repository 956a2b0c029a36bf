// duckgen: builds the built-in duck and writes its mesh tables as C++ source.
//
//   duckgen <output.cpp> [--obj file.obj] [--quiet]
//
// The figure is the radial surface of a few simple parts seen from one inner
// point (shape.h); main() runs the steps of pipeline.h in order, each in a
// file of its own, and writes the tables (and, with --obj, the same mesh as
// an OBJ file).
//
// Everything is deterministic: no clocks, no hashing of pointers, no library
// random numbers. The geometry uses + - * / and sqrt, which IEEE 754 rounds
// exactly, and the C library's sin, cos and asin (trig.h): the tables depend
// on the C library through those three, and on the compiler not at all as
// long as it does not fuse multiply-adds (the build switches that off).
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "obj_writer.h"
#include "pipeline.h"

using namespace duckgen;

int main(int argc, char **argv)
{
    const char *outPath = nullptr;
    const char *objPath = nullptr;
    bool quiet = false;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--obj") && i + 1 < argc)
            objPath = argv[++i];
        else if (!strcmp(argv[i], "--quiet"))
            quiet = true;
        else
            outPath = argv[i];
    }
    if (!outPath) {
        fprintf(stderr, "usage: duckgen <output.cpp> [--obj file.obj] [--quiet]\n");
        return 2;
    }
    const Log log = {quiet};

    FixedVertices fixed = PlaceOnParts(log);
    Shape shape = PinSurface(fixed, log);
    fixed = PlaceRings(std::move(fixed), shape);
    Triangulation mesh = Triangulate(SampleFreeVertices(fixed, shape, log));
    mesh = CutOpenings(EvenOut(std::move(mesh), shape, log), log);
    std::vector<Vec3> pos = NudgePinnedNormals(mesh, log);
    Shading shading = ComputeNormals(mesh, pos);
    FaceOrder order = OrderFaces(mesh, pos, shading);
    const Tables tables = NumberTables(mesh, pos, shading, order, log);

    WriteTables(outPath, tables);
    if (objPath && !WriteObj(objPath, tables.Mesh()))
        Fail("cannot write %s: %s", objPath, strerror(errno));
    return 0;
}
