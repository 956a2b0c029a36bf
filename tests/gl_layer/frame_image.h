// Frames as RGB images (rows top first), their files (binary PPM), and how
// a frame drawn through the layer is measured against desktop OpenGL's.
#ifndef DUCKVIEW_TESTS_GL_LAYER_FRAME_IMAGE_H
#define DUCKVIEW_TESTS_GL_LAYER_FRAME_IMAGE_H

#include <string>
#include <vector>

struct Image {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    const unsigned char *At(int x, int y) const { return &rgb[((size_t)y * width + x) * 3]; }
};

// glReadPixels' RGBA, bottom row first, as an image.
Image ImageFromReadPixels(const unsigned char *rgba, int width, int height);
bool WritePpm(const std::string &path, const Image &image);
bool ReadPpm(const std::string &path, Image *image);

// How close a frame comes to the reference frame of the same view. The
// background is what each frame shows in its top-left corner; the counter's
// strokes are what lies in its box (InCounterBox) and differs from the
// background, the model everything else that differs from it.
struct FrameMatch {
    // Filled model: pixels that are model in either frame, and the share of
    // them within 10/255 of the reference in every channel.
    int modelPixels;
    double modelShare;
    int worstDifference;
    // Lines (wireframe): the share of each frame's line pixels that have a
    // line pixel of the other frame, within 10/255 in colour, at most two
    // pixels away.
    double lineShare, reverseLineShare;
    // Counter: stroke pixels of the reference, the share of both frames'
    // strokes that lie on the same pixels, and the share lying within one
    // pixel of the other frame's strokes.
    int strokePixels;
    double strokeSame, strokeNear;
};
FrameMatch MatchFrames(const Image &reference, const Image &candidate, int wireframe);

#endif // DUCKVIEW_TESTS_GL_LAYER_FRAME_IMAGE_H
