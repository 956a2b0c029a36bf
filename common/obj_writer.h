// Writes a mesh in the program's table format as a Wavefront OBJ file:
// positions, normals and triangles with their per-corner normals, every
// value exact (nine significant digits read back as the same float). The
// duck generator (--obj) and the benchmark's export of the built-in duck
// both write through it, so the two files are the same for the same tables.
#ifndef DUCKVIEW_COMMON_OBJ_WRITER_H
#define DUCKVIEW_COMMON_OBJ_WRITER_H

#include "model/model.h"

// False, with errno set, when the file cannot be written.
bool WriteObj(const char *path, const ModelMesh &mesh);

#endif // DUCKVIEW_COMMON_OBJ_WRITER_H
