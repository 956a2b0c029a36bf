#include "frame_image.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "frame_views.h"

Image ImageFromReadPixels(const unsigned char *rgba, int width, int height)
{
    Image image;
    image.width = width;
    image.height = height;
    image.rgb.resize((size_t)width * height * 3);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            for (int c = 0; c < 3; c++)
                image.rgb[((size_t)y * width + x) * 3 + c] = rgba[((size_t)(height - 1 - y) * width + x) * 4 + c];
    return image;
}

bool WritePpm(const std::string &path, const Image &image)
{
    FILE *file = fopen(path.c_str(), "wb");
    if (!file)
        return false;
    fprintf(file, "P6\n%d %d\n255\n", image.width, image.height);
    bool written = fwrite(image.rgb.data(), 1, image.rgb.size(), file) == image.rgb.size();
    return fclose(file) == 0 && written;
}

bool ReadPpm(const std::string &path, Image *image)
{
    FILE *file = fopen(path.c_str(), "rb");
    if (!file)
        return false;
    int maximum = 0;
    bool read = fscanf(file, "P6 %d %d %d", &image->width, &image->height, &maximum) == 3 && maximum == 255 &&
                fgetc(file) != EOF && image->width > 0 && image->height > 0;
    if (read) {
        image->rgb.resize((size_t)image->width * image->height * 3);
        read = fread(image->rgb.data(), 1, image->rgb.size(), file) == image->rgb.size();
    }
    fclose(file);
    return read;
}

namespace {

int Difference(const unsigned char *a, const unsigned char *b)
{
    return std::max({std::abs(a[0] - b[0]), std::abs(a[1] - b[1]), std::abs(a[2] - b[2])});
}

enum Kind { kBackground, kStroke, kModel };

std::vector<Kind> Classify(const Image &image)
{
    std::vector<Kind> kinds((size_t)image.width * image.height);
    const unsigned char *background = image.At(0, 0);
    for (int y = 0; y < image.height; y++)
        for (int x = 0; x < image.width; x++)
            kinds[(size_t)y * image.width + x] = Difference(image.At(x, y), background) == 0 ? kBackground
                                                 : InCounterBox(x, y)                      ? kStroke
                                                                                           : kModel;
    return kinds;
}

// The share of `from`'s pixels of the kind that have a pixel of the same
// kind in `to` at most `reach` pixels away, within `tolerance` in colour.
double ShareNear(const Image &from, const std::vector<Kind> &fromKinds, const Image &to,
                 const std::vector<Kind> &toKinds, Kind kind, int reach, int tolerance)
{
    int total = 0, near = 0;
    for (int y = 0; y < from.height; y++)
        for (int x = 0; x < from.width; x++) {
            if (fromKinds[(size_t)y * from.width + x] != kind)
                continue;
            total++;
            bool found = false;
            for (int v = std::max(0, y - reach); v <= std::min(to.height - 1, y + reach) && !found; v++)
                for (int u = std::max(0, x - reach); u <= std::min(to.width - 1, x + reach) && !found; u++)
                    found = toKinds[(size_t)v * to.width + u] == kind &&
                            Difference(from.At(x, y), to.At(u, v)) <= tolerance;
            near += found;
        }
    return total ? (double)near / total : 1.0;
}

} // namespace

FrameMatch MatchFrames(const Image &reference, const Image &candidate, int wireframe)
{
    FrameMatch match = {};
    if (reference.width != candidate.width || reference.height != candidate.height)
        return match;
    std::vector<Kind> referenceKinds = Classify(reference), candidateKinds = Classify(candidate);

    int within = 0, sameStroke = 0, candidateStrokes = 0;
    for (int y = 0; y < reference.height; y++)
        for (int x = 0; x < reference.width; x++) {
            size_t i = (size_t)y * reference.width + x;
            int difference = Difference(reference.At(x, y), candidate.At(x, y));
            if (referenceKinds[i] == kModel || candidateKinds[i] == kModel) {
                match.modelPixels++;
                within += difference <= 10;
                match.worstDifference = std::max(match.worstDifference, difference);
            }
            match.strokePixels += referenceKinds[i] == kStroke;
            candidateStrokes += candidateKinds[i] == kStroke;
            sameStroke += referenceKinds[i] == kStroke && candidateKinds[i] == kStroke && difference <= 10;
        }
    match.modelShare = match.modelPixels ? (double)within / match.modelPixels : 1.0;
    if (wireframe) {
        match.lineShare = ShareNear(candidate, candidateKinds, reference, referenceKinds, kModel, 2, 10);
        match.reverseLineShare = ShareNear(reference, referenceKinds, candidate, candidateKinds, kModel, 2, 10);
    }
    int strokes = match.strokePixels + candidateStrokes;
    match.strokeSame = strokes ? 2.0 * sameStroke / strokes : 1.0;
    match.strokeNear = std::min(ShareNear(candidate, candidateKinds, reference, referenceKinds, kStroke, 1, 10),
                                ShareNear(reference, referenceKinds, candidate, candidateKinds, kStroke, 1, 10));
    return match;
}
