// Writes the built-in duck as a Wavefront OBJ file, straight from the
// program's own tables (positions, normals and triangles with their
// per-corner normals), so that other viewers can be measured on the very
// same mesh. The writer is the duck generator's (common/obj_writer).
//
// Usage: export_obj FILE.obj
#include <cstdio>

#include "model/model.h"
#include "obj_writer.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.obj\n", argv[0]);
        return 2;
    }
    if (!WriteObj(argv[1], modelMeshes[0])) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
