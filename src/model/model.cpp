// The mesh record of the built-in duck and the routine that draws it. The
// tables themselves are in model_data.cpp, written by tools/duckgen.
#include "model/model.h"

#include "platform/gl.h"

const ModelMesh modelMeshes[1] = {
    {"0main010", modelFaces, kModelFaceCount, modelVertices, kModelVertexCount, modelNormals, kModelNormalCount,
     modelTexCoords, kModelTexCoordCount},
};

void DrawMesh(const ModelMesh *mesh)
{
    const MeshFace *faces = mesh->faces;
    const float(*vertices)[3] = mesh->vertices;
    const float(*normals)[3] = mesh->normals;

    glLineWidth(1.0f);
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < mesh->faceCount; i++) {
        for (int j = 0; j < 3; j++) {
            const float *n = normals[faces[i].normalIndex[j]];
            glNormal3f(n[0], n[1], n[2]);
            const float *v = vertices[faces[i].vertexIndex[j]];
            glVertex3f(v[0], v[1], v[2]);
        }
    }
    glEnd();
}

void DrawModel(void)
{
    DrawMesh(&modelMeshes[0]);
}
