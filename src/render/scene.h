// One-time scene set-up: projection, viewing translation, lights, fog,
// materials, checkerboard texture and the start rotation.
#ifndef DUCKVIEW_RENDER_SCENE_H
#define DUCKVIEW_RENDER_SCENE_H

#include <cstddef>

// Directions of lights 1 to 6 (row k - 1 for light k), w = 0.
extern const float lightPositions[6][4];
extern const float frontDiffuseColor[3];
extern const float backDiffuseColor[3];

// Where the checkerboard's image buffer comes from; malloc unless a test
// puts a failing allocator in its place.
extern void *(*textureAllocator)(size_t size);

// Sets up the freshly created, current rendering context once.
void InitScene(void);
// Loads the projection from the window size; leaves GL_MODELVIEW current.
void SetProjection(void);
// Front (red) and back (green) materials; called every frame.
void SetMaterials(void);
// Uploads the 256 by 256 checkerboard to the default 2D texture.
void BuildCheckerTexture(void);
void SetIdentityMatrix(float matrix[16]);

#endif // DUCKVIEW_RENDER_SCENE_H
