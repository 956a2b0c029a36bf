#include "loop_figures.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/gl.h"

long PixelsUnlikeCorner(int width, int height)
{
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    const unsigned char *corner = &pixels[(static_cast<size_t>(width) + 1) * 4];
    long differ = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        if (std::memcmp(&pixels[i], corner, 3) != 0)
            ++differ;
    return differ;
}

long PeakResidentKib()
{
    FILE *status = std::fopen("/proc/self/status", "r");
    if (status == nullptr)
        return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, status) != nullptr)
        if (std::sscanf(line, "VmHWM: %ld kB", &kib) == 1)
            break;
    std::fclose(status);
    return kib;
}

long ResidentHeapKib()
{
    FILE *smaps = std::fopen("/proc/self/smaps", "r");
    if (smaps == nullptr)
        return -1;
    char line[512];
    bool inHeap = false;
    long kib = -1;
    while (std::fgets(line, sizeof line, smaps) != nullptr) {
        // A mapping's first line starts with its address in lower-case
        // hex; the lines about it start with a capitalised name.
        long rss = 0;
        if (std::isxdigit(static_cast<unsigned char>(line[0])) && !std::isupper(static_cast<unsigned char>(line[0])))
            inHeap = std::strstr(line, "[heap]") != nullptr;
        else if (inHeap && std::sscanf(line, "Rss: %ld kB", &rss) == 1)
            kib = rss;
    }
    std::fclose(smaps);
    return kib;
}

bool PrintLoopFigures(int width, int height, long frames, double seconds, long pixelsUnlikeCorner,
                      bool wireframe)
{
    // The counter alone covers well under a hundredth of the frame; the
    // filled duck at any orientation more than a twentieth, its one-pixel
    // lines in wireframe more than a hundredth even at 920 pixels.
    bool drew = pixelsUnlikeCorner * (wireframe ? 100 : 20) > static_cast<long>(width) * height;
    std::printf("renderer: %s\n", reinterpret_cast<const char *>(glGetString(GL_RENDERER)));
    std::printf("size: %dx%d\n", width, height);
    std::printf("frames: %ld\n", frames);
    std::printf("seconds: %.3f\n", seconds);
    std::printf("fps: %.1f\n", frames / seconds);
    std::printf("hwm_kib: %ld\n", PeakResidentKib());
    std::printf("model_drawn: %s (%ld pixels unlike the corner)\n", drew ? "yes" : "no", pixelsUnlikeCorner);
    std::fflush(stdout);
    return drew;
}
