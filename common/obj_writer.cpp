#include "obj_writer.h"

#include <cstdio>

bool WriteObj(const char *path, const ModelMesh &mesh)
{
    FILE *out = std::fopen(path, "w");
    if (out == nullptr)
        return false;
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
        std::fprintf(out, "f %d//%d %d//%d %d//%d\n", f.vertexIndex[0] + 1, f.normalIndex[0] + 1, f.vertexIndex[1] + 1,
                     f.normalIndex[1] + 1, f.vertexIndex[2] + 1, f.normalIndex[2] + 1);
    }
    return std::fclose(out) == 0;
}
