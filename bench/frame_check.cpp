#include "frame_check.h"

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

bool ShowsModel(long pixelsUnlikeCorner, int width, int height, bool wireframe)
{
    return pixelsUnlikeCorner * (wireframe ? 100 : 20) > static_cast<long>(width) * height;
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
