// Renders the program's icon: the built-in duck, lit as the
// viewer lights it, on a transparent background, cropped to the figure and
// scaled down from one large rendering to each requested size. Writes
// duckview-<size>.pam (RGBA) into the output directory:
//
//   duck_icon <output-dir> <size>...
//
// make_icons.sh turns them into PNG files and the Windows .ico.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gl_context.h"
#include "model/model.h"
#include "platform/gl.h"
#include "render/scene.h"
#include "state/viewer_state.h"

namespace {

// The large rendering every size is taken from.
const int kRender = 1024;
// Half the width of the orthographic view: wide enough for the whole duck.
const double kViewHalf = 1.6;
// Free border around the figure, as a fraction of the icon's side.
const double kMargin = 0.03;

// Premultiplied RGBA, 0..1, rows from the top.
struct Picture {
    int width = 0, height = 0;
    std::vector<float> px;
    float *At(int x, int y) { return &px[((size_t)y * width + x) * 4]; }
};

// The duck seen from behind its left side and a little from above, the tail
// towards the viewer and the head with its bill on the right: compact enough
// for 16 pixels, and the open underside stays hidden.
Picture RenderDuck()
{
    windowWidth = kRender;
    windowHeight = kRender;
    InitScene();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-kViewHalf, kViewHalf, -kViewHalf, kViewHalf, 0, 10);
    glMatrixMode(GL_MODELVIEW);

    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT2);
    glEnable(GL_DEPTH_TEST);
    glPushMatrix();
    glRotatef(-70, 1, 0, 0);
    glRotatef(45, 0, 0, 1);
    SetMaterials();
    DrawModel();
    glPopMatrix();

    std::vector<unsigned char> rgb((size_t)kRender * kRender * 3);
    std::vector<float> depth((size_t)kRender * kRender);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kRender, kRender, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    glReadPixels(0, 0, kRender, kRender, GL_DEPTH_COMPONENT, GL_FLOAT, depth.data());

    // Whatever the duck covers has a depth nearer than the cleared one.
    Picture pic;
    pic.width = pic.height = kRender;
    pic.px.assign((size_t)kRender * kRender * 4, 0.0f);
    for (int y = 0; y < kRender; y++)
        for (int x = 0; x < kRender; x++) {
            size_t src = (size_t)(kRender - 1 - y) * kRender + x;
            if (depth[src] >= 1.0f)
                continue;
            float *p = pic.At(x, y);
            for (int c = 0; c < 3; c++)
                p[c] = rgb[src * 3 + c] / 255.0f;
            p[3] = 1.0f;
        }
    return pic;
}

// The square around the figure's bounding box, with the margin, in pixels
// of the large picture: left, top and side.
void FigureSquare(Picture &pic, double *left, double *top, double *side)
{
    int x0 = pic.width, y0 = pic.height, x1 = -1, y1 = -1;
    for (int y = 0; y < pic.height; y++)
        for (int x = 0; x < pic.width; x++)
            if (pic.At(x, y)[3] > 0) {
                x0 = std::min(x0, x);
                x1 = std::max(x1, x);
                y0 = std::min(y0, y);
                y1 = std::max(y1, y);
            }
    double w = x1 + 1 - x0, h = y1 + 1 - y0;
    *side = std::max(w, h) / (1 - 2 * kMargin);
    *left = x0 + w / 2 - *side / 2;
    *top = y0 + h / 2 - *side / 2;
}

// How much of source pixel j lies in [from, to).
double Overlap(int j, double from, double to)
{
    return std::max(0.0, std::min<double>(j + 1, to) - std::max<double>(j, from));
}

// Area-weighted average of the square (left, top, side) into size x size
// pixels; outside the picture counts as transparent.
Picture Shrink(Picture &pic, double left, double top, double side, int size)
{
    Picture out;
    out.width = out.height = size;
    out.px.assign((size_t)size * size * 4, 0.0f);
    double step = side / size;
    for (int oy = 0; oy < size; oy++) {
        double ya = top + oy * step, yb = ya + step;
        for (int ox = 0; ox < size; ox++) {
            double xa = left + ox * step, xb = xa + step;
            double sum[4] = {0, 0, 0, 0};
            for (int y = std::max(0, (int)std::floor(ya)); y < std::min(pic.height, (int)std::ceil(yb)); y++) {
                double wy = Overlap(y, ya, yb);
                for (int x = std::max(0, (int)std::floor(xa)); x < std::min(pic.width, (int)std::ceil(xb)); x++) {
                    double w = wy * Overlap(x, xa, xb);
                    const float *p = pic.At(x, y);
                    for (int c = 0; c < 4; c++)
                        sum[c] += w * p[c];
                }
            }
            float *o = out.At(ox, oy);
            for (int c = 0; c < 4; c++)
                o[c] = (float)(sum[c] / (step * step));
        }
    }
    return out;
}

bool WritePam(Picture &pic, const std::string &path)
{
    FILE *f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    fprintf(f, "P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n", pic.width, pic.height);
    for (int y = 0; y < pic.height; y++)
        for (int x = 0; x < pic.width; x++) {
            const float *p = pic.At(x, y);
            float a = p[3];
            unsigned char out[4];
            for (int c = 0; c < 3; c++)
                out[c] = (unsigned char)std::lround(a > 0 ? std::min(1.0f, p[c] / a) * 255 : 0);
            out[3] = (unsigned char)std::lround(a * 255);
            fwrite(out, 1, 4, f);
        }
    return fclose(f) == 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: duck_icon <output-dir> <size>...\n");
        return 2;
    }
    std::string why;
    if (!CreateHeadlessContext(kRender, kRender, &why)) {
        fprintf(stderr, "no GL context: %s\n", why.c_str());
        return 1;
    }
    Picture duck = RenderDuck();
    DestroyHeadlessContext();

    double left, top, side;
    FigureSquare(duck, &left, &top, &side);
    for (int i = 2; i < argc; i++) {
        int size = atoi(argv[i]);
        if (size < 1 || size > kRender) {
            fprintf(stderr, "bad size %s\n", argv[i]);
            return 2;
        }
        Picture icon = Shrink(duck, left, top, side, size);
        std::string path = std::string(argv[1]) + "/duckview-" + std::to_string(size) + ".pam";
        if (!WritePam(icon, path)) {
            fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        printf("%s\n", path.c_str());
    }
    return 0;
}
