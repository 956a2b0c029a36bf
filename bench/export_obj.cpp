// Writes the built-in duck as a Wavefront OBJ file, straight from the
// program's own tables (positions, normals and triangles with their
// per-corner normals), so that other viewers can be measured on the very
// same mesh.
//
// Usage: export_obj FILE.obj
#include <cstdio>

#include "model/model.h"

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s FILE.obj\n", argv[0]);
        return 2;
    }
    const ModelMesh &mesh = modelMeshes[0];
    FILE *out = std::fopen(argv[1], "w");
    if (out == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    std::fprintf(out, "# the built-in duck: %d vertices, %d normals, %d triangles\n", mesh.vertexCount,
                 mesh.normalCount, mesh.faceCount);
    std::fprintf(out, "o %s\n", mesh.name);
    for (int i = 0; i < mesh.vertexCount; i++)
        std::fprintf(out, "v %.9g %.9g %.9g\n", mesh.vertices[i][0], mesh.vertices[i][1], mesh.vertices[i][2]);
    for (int i = 0; i < mesh.normalCount; i++)
        std::fprintf(out, "vn %.9g %.9g %.9g\n", mesh.normals[i][0], mesh.normals[i][1], mesh.normals[i][2]);
    for (int i = 0; i < mesh.faceCount; i++) {
        const MeshFace &f = mesh.faces[i];
        // OBJ counts from 1.
        std::fprintf(out, "f %d//%d %d//%d %d//%d\n", f.vertexIndex[0] + 1, f.normalIndex[0] + 1,
                     f.vertexIndex[1] + 1, f.normalIndex[1] + 1, f.vertexIndex[2] + 1, f.normalIndex[2] + 1);
    }
    if (std::fclose(out) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
