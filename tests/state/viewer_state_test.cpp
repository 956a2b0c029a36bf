// The ViewerState variables start with the values the program relies on,
// and ResetViewerState, which tests use between cases, brings every one of
// them back to exactly that.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "state/viewer_state.h"

namespace {

struct Variable {
    const char *name;
    void *address;
    size_t size;
};

#define VARIABLE(name) {#name, &name, sizeof name}
const Variable kVariables[] = {
    VARIABLE(windowWidth),      VARIABLE(windowHeight),     VARIABLE(deviceContext),  VARIABLE(renderContext),
    VARIABLE(displayPalette),   VARIABLE(idleHandler),      VARIABLE(rotationMatrix), VARIABLE(incrementAngle),
    VARIABLE(incrementAxis),    VARIABLE(applyIncrement),   VARIABLE(spinning),       VARIABLE(dragging),
    VARIABLE(lastSpherePoint),  VARIABLE(pressX),           VARIABLE(pressY),         VARIABLE(countingFrames),
    VARIABLE(frameCount),       VARIABLE(fogEnabled),       VARIABLE(wireframeEnabled), VARIABLE(lightingEnabled),
    VARIABLE(textureEnabled),   VARIABLE(textureReplace),   VARIABLE(cullingEnabled), VARIABLE(perspectiveEnabled),
    VARIABLE(doubleBuffered),   VARIABLE(depthBuffered),
};
#undef VARIABLE

std::vector<unsigned char> Bytes(const Variable &v)
{
    const unsigned char *p = static_cast<const unsigned char *>(v.address);
    return std::vector<unsigned char>(p, p + v.size);
}

TEST(ViewerState, StartsAsTheProgramExpectsAndResetBringsEveryVariableBack)
{
    // Nothing has run in this process yet: these are the start values.
    EXPECT_EQ(0.35f, incrementAngle);
    EXPECT_EQ(0.5f, incrementAxis[0]);
    EXPECT_EQ(-0.5f, incrementAxis[1]);
    EXPECT_EQ(0.0f, incrementAxis[2]);
    EXPECT_EQ(1, applyIncrement);
    EXPECT_EQ(1, spinning);
    EXPECT_EQ(1, countingFrames);
    EXPECT_EQ(1, lightingEnabled);
    EXPECT_EQ(1, doubleBuffered);
    EXPECT_EQ(1, depthBuffered);
    EXPECT_EQ(nullptr, idleHandler);
    EXPECT_EQ(0.0f, rotationMatrix[15]);

    std::vector<std::vector<unsigned char>> start;
    for (const Variable &v : kVariables)
        start.push_back(Bytes(v));
    for (const Variable &v : kVariables)
        std::memset(v.address, 0x5a, v.size);
    ResetViewerState();
    for (size_t i = 0; i < sizeof kVariables / sizeof kVariables[0]; i++)
        EXPECT_EQ(start[i], Bytes(kVariables[i])) << kVariables[i].name << " is not back at its start value";
}

} // namespace
