// Renders the built-in duck from above, below, the front, the back and both
// sides (plus the first frame and two slanted views), lit exactly as the
// viewer lights it, into PPM files:
//
//   duck_render_views <output-dir> [size]
//
// render_views.sh runs it and turns the pictures into PNG files.
#include <cstdio>
#include <string>
#include <vector>

#include "gl_context.h"
#include "model/model.h"
#include "platform/gl.h"
#include "render/scene.h"
#include "state/viewer_state.h"

namespace {

struct View {
    const char *name;
    // Rotations applied to the model, in order (angle, axis).
    float turns[2][4];
};

// Model coordinates: +x bill, +z up. Unturned, the viewer looks down on the
// figure from above (+z towards the eye), the bill to the right.
const View kViews[] = {
    {"top", {{0, 1, 0, 0}, {0, 1, 0, 0}}},
    {"bottom", {{180, 1, 0, 0}, {0, 1, 0, 0}}},
    {"front", {{-90, 0, 0, 1}, {-90, 1, 0, 0}}},
    {"back", {{90, 0, 0, 1}, {-90, 1, 0, 0}}},
    {"left", {{-90, 1, 0, 0}, {0, 1, 0, 0}}},
    {"right", {{180, 0, 0, 1}, {-90, 1, 0, 0}}},
    {"first_frame", {{0.35f, 0.5f, -0.5f, 0}, {0, 1, 0, 0}}},
    {"below_slanted", {{140, 1, 0.3f, 0}, {0, 1, 0, 0}}},
    {"above_slanted", {{-50, 1, 0.4f, 0}, {30, 0, 0, 1}}},
};

bool WritePpm(const std::string &path, int size)
{
    std::vector<unsigned char> rgb(size * size * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, size, size, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    fprintf(f, "P6\n%d %d\n255\n", size, size);
    for (int y = size - 1; y >= 0; --y)
        fwrite(&rgb[y * size * 3], 1, size * 3, f);
    fclose(f);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: duck_render_views <output-dir> [size]\n");
        return 2;
    }
    std::string dir = argv[1];
    int size = argc > 2 ? atoi(argv[2]) : 400;
    std::string why;
    if (!CreateHeadlessContext(size, size, &why)) {
        fprintf(stderr, "no GL context: %s\n", why.c_str());
        return 1;
    }
    windowWidth = size;
    windowHeight = size;
    InitScene();
    for (const View &view : kViews) {
        glClearColor(0.1f, 0.1f, 0.15f, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT2);
        glEnable(GL_DEPTH_TEST);
        glPushMatrix();
        for (int i = 1; i >= 0; --i)
            if (view.turns[i][0] != 0)
                glRotatef(view.turns[i][0], view.turns[i][1], view.turns[i][2], view.turns[i][3]);
        SetMaterials();
        DrawModel();
        glPopMatrix();
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
        std::string path = dir + "/duck_" + view.name + ".ppm";
        if (!WritePpm(path, size)) {
            fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        printf("%s\n", path.c_str());
    }
    DestroyHeadlessContext();
    return 0;
}
