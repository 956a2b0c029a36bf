// The built-in duck: constant mesh tables and the routine that draws them.
#ifndef DUCKVIEW_MODEL_MODEL_H
#define DUCKVIEW_MODEL_MODEL_H

// One triangle: per corner, in winding order, an index into each table.
struct MeshFace {
    int vertexIndex[3];
    int normalIndex[3];
    int texCoordIndex[3];
};

// Ties one mesh's tables together.
struct ModelMesh {
    const char *name;
    const MeshFace *faces;
    int faceCount;
    const float (*vertices)[3];
    int vertexCount;
    const float (*normals)[3];
    int normalCount;
    const float (*texCoords)[3];
    int texCoordCount;
};

// The sizes of the built-in duck's tables, which tools/duckgen fills: its
// vertices, each with one texture coordinate, its normals and its triangles.
const int kModelVertexCount = 427;
const int kModelTexCoordCount = kModelVertexCount;
const int kModelNormalCount = 465;
const int kModelFaceCount = 822;

extern const float modelVertices[kModelVertexCount][3];
extern const float modelNormals[kModelNormalCount][3];
extern const float modelTexCoords[kModelTexCoordCount][3];
extern const MeshFace modelFaces[kModelFaceCount];

// The program's meshes; the viewer draws entry 0.
extern const ModelMesh modelMeshes[1];

// Sends entry 0 of modelMeshes to OpenGL as one batch of triangles, each
// corner's normal before its vertex.
void DrawModel(void);

// Draws the given mesh the same way (DrawModel draws modelMeshes[0]).
void DrawMesh(const ModelMesh *mesh);

#endif // DUCKVIEW_MODEL_MODEL_H
