// Measures frames drawn through the layer against desktop OpenGL's frames
// of the same views: gl_layer_compare REFERENCE_DIR CANDIDATE_DIR [VIEW...],
// every view or the ones named. Prints the figures of each and fails when
// one falls short (or a name is no view):
// - filled model: at least 97% of its pixels within 10/255 in every channel;
// - wireframe: at least 97% of the line pixels, either way round, with a
//   line pixel of the same colour (within 10/255) at most 2 pixels away;
// - counter: every stroke pixel, either way round, within one pixel of a
//   stroke pixel of the other frame, and at least 90% on the same pixels.
#include <cstdio>
#include <cstring>
#include <string>

#include "frame_image.h"
#include "frame_views.h"

int main(int argc, char **argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: %s REFERENCE_DIR CANDIDATE_DIR [VIEW...]\n", argv[0]);
        return 2;
    }
    int named = 0;
    for (int i = 3; i < argc; i++)
        for (const FrameView &view : frameViews)
            named += strcmp(argv[i], view.name) == 0;
    if (named != argc - 3) {
        fprintf(stderr, "%s: a view named is no view of frame_views.h\n", argv[0]);
        return 2;
    }
    const double required = 0.97, strokesSame = 0.90;
    int failed = 0;
    printf("%-24s %8s %7s %5s %7s %7s %8s %7s %7s\n", "view", "model px", "<=10", "worst", "lines", "lines<-",
           "strokes", "same", "near");
    for (const FrameView &view : frameViews) {
        bool wanted = argc == 3;
        for (int i = 3; i < argc; i++)
            wanted = wanted || strcmp(argv[i], view.name) == 0;
        if (!wanted)
            continue;
        Image reference, candidate;
        std::string name = std::string("/") + view.name + ".ppm";
        if (!ReadPpm(argv[1] + name, &reference) || !ReadPpm(argv[2] + name, &candidate)) {
            printf("%-24s missing or unreadable frame\n", view.name);
            failed++;
            continue;
        }
        FrameMatch m = MatchFrames(reference, candidate, view.wireframeEnabled);
        bool ok = m.strokePixels > 0 && m.strokeNear == 1.0 && m.strokeSame >= strokesSame;
        if (view.wireframeEnabled)
            ok = ok && m.lineShare >= required && m.reverseLineShare >= required;
        else
            ok = ok && m.modelPixels > 0 && m.modelShare >= required;
        printf("%-24s %8d %6.2f%% %5d", view.name, m.modelPixels, 100 * m.modelShare, m.worstDifference);
        if (view.wireframeEnabled)
            printf(" %6.2f%% %6.2f%%", 100 * m.lineShare, 100 * m.reverseLineShare);
        else
            printf(" %7s %7s", "-", "-");
        printf(" %8d %6.2f%% %6.2f%%%s\n", m.strokePixels, 100 * m.strokeSame, 100 * m.strokeNear,
               ok ? "" : "  FAILED");
        failed += !ok;
    }
    return failed ? 1 : 0;
}
