// The logical palette for palette-based formats.
#include <cstdlib>
#include <vector>

#include <gtest/gtest.h>

#include "display/pixel_format.h"
#include "recording.h"
#include "state/viewer_state.h"

namespace {

int allocations;
size_t allocatedSize;

void *CountingAllocator(size_t size)
{
    allocations++;
    allocatedSize = size;
    return malloc(size);
}

void *FailingAllocator(size_t size)
{
    allocations++;
    allocatedSize = size;
    return nullptr;
}

class PaletteTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetViewerState();
        ResetRecording();
        allocations = 0;
        allocatedSize = 0;
        paletteRecordAllocator = CountingAllocator;
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "plain";
        RegisterClassA(&wc);
        dc = RecordingDeviceContextOf(CreateWindowExA(0, "plain", "", 0, 0, 0, 100, 100, NULL, NULL, NULL, NULL));
        // The format set earlier by ConfigurePixelFormat.
        SetPixelFormat(dc, 5, nullptr);
        ClearRecordedCalls();
    }
    void TearDown() override
    {
        paletteRecordAllocator = malloc;
        ResetRecording();
    }

    HDC dc = nullptr;
};

struct Entry {
    int r, g, b;
};

Entry At(int i)
{
    const PALETTEENTRY &e = RecordingPaletteEntries().at(i);
    return Entry{e.peRed, e.peGreen, e.peBlue};
}

#define EXPECT_ENTRY(i, red, green, blue)   \
    do {                                    \
        Entry e = At((i));                  \
        EXPECT_EQ(red, e.r) << "entry " << (i);   \
        EXPECT_EQ(green, e.g) << "entry " << (i); \
        EXPECT_EQ(blue, e.b) << "entry " << (i);  \
    } while (0)

TEST_F(PaletteTest, EightBitFormatGetsTheEvenlySpreadRgbPalette)
{
    Recording().describedFormat = RecordingPaletteFormat();
    BuildDisplayPalette(dc);

    const RecordedCall *describe = FindRecordedCall("DescribePixelFormat");
    ASSERT_NE(nullptr, describe);
    EXPECT_EQ(5, describe->args[1]) << "describes the format that is set";
    EXPECT_EQ(40, describe->args[2]);

    EXPECT_EQ(0x300, RecordingPaletteVersion());
    EXPECT_EQ(256, RecordingPaletteEntryCount());
    ASSERT_EQ(256u, RecordingPaletteEntries().size());
    EXPECT_EQ(sizeof(LOGPALETTE) + 256 * sizeof(PALETTEENTRY), allocatedSize);

    const int redGreenLevels[8] = {0, 36, 72, 109, 145, 182, 218, 255};
    const int blueLevels[4] = {0, 85, 170, 255};
    for (int level = 0; level < 8; level++) {
        EXPECT_ENTRY(level, redGreenLevels[level], 0, 0);
        EXPECT_ENTRY(level << 3, 0, redGreenLevels[level], 0);
    }
    for (int level = 0; level < 4; level++)
        EXPECT_ENTRY(level << 6, 0, 0, blueLevels[level]);

    EXPECT_ENTRY(0, 0, 0, 0);
    EXPECT_ENTRY(255, 255, 255, 255);
    EXPECT_ENTRY(7, 255, 0, 0);
    EXPECT_ENTRY(56, 0, 255, 0);
    EXPECT_ENTRY(192, 0, 0, 255);
    EXPECT_ENTRY(1, 36, 0, 0);
    // A mixed entry: red level 5, green level 2, blue level 1.
    EXPECT_ENTRY(5 | 2 << 3 | 1 << 6, 182, 72, 85);
    for (const PALETTEENTRY &e : RecordingPaletteEntries())
        EXPECT_EQ(0, e.peFlags);
}

TEST_F(PaletteTest, CreatedPaletteIsKeptSelectedAsForegroundAndRealized)
{
    Recording().describedFormat = RecordingPaletteFormat();
    BuildDisplayPalette(dc);

    ASSERT_NE(nullptr, displayPalette);
    std::vector<std::string> expected = {"GetPixelFormat", "DescribePixelFormat", "CreatePalette", "SelectPalette",
                                         "RealizePalette"};
    EXPECT_EQ(expected, RecordedCallNames());
    const RecordedCall *select = FindRecordedCall("SelectPalette");
    EXPECT_EQ((std::intptr_t)dc, select->args[0]);
    EXPECT_EQ((std::intptr_t)displayPalette, select->args[1]);
    EXPECT_EQ(FALSE, select->args[2]);
    EXPECT_EQ((std::intptr_t)dc, FindRecordedCall("RealizePalette")->args[0]);
    EXPECT_EQ(1, allocations);
}

TEST_F(PaletteTest, ColourIndexFormatAlsoGetsAPalette)
{
    PIXELFORMATDESCRIPTOR format = RecordingPaletteFormat();
    format.dwFlags &= ~PFD_NEED_PALETTE;
    format.iPixelType = PFD_TYPE_COLORINDEX;
    Recording().describedFormat = format;
    BuildDisplayPalette(dc);
    EXPECT_NE(nullptr, displayPalette);
    EXPECT_EQ(256, RecordingPaletteEntryCount());
}

TEST_F(PaletteTest, TrueColourFormatNeedsNoPalette)
{
    BuildDisplayPalette(dc);
    EXPECT_EQ(nullptr, displayPalette);
    EXPECT_EQ(0, allocations) << "no palette record is allocated";
    std::vector<std::string> expected = {"GetPixelFormat", "DescribePixelFormat"};
    EXPECT_EQ(expected, RecordedCallNames()) << "the device context is left untouched";
}

// A colour-index format describes no colour components at all: every
// level divides by a maximum of zero in the plain formula.
TEST_F(PaletteTest, ComponentsWithoutBitsStayZero)
{
    PIXELFORMATDESCRIPTOR format{};
    format.nSize = 40;
    format.nVersion = 1;
    format.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    format.iPixelType = PFD_TYPE_COLORINDEX;
    format.cColorBits = 4;
    Recording().describedFormat = format;
    BuildDisplayPalette(dc);
    ASSERT_EQ(16u, RecordingPaletteEntries().size());
    for (int i = 0; i < 16; i++)
        EXPECT_ENTRY(i, 0, 0, 0);

    // Only blue without bits: red and green still spread.
    ResetViewerState();
    format = RecordingPaletteFormat();
    format.cBlueBits = 0;
    Recording().describedFormat = format;
    BuildDisplayPalette(dc);
    ASSERT_EQ(256u, RecordingPaletteEntries().size());
    EXPECT_ENTRY(255, 255, 255, 0);
    EXPECT_ENTRY(192, 0, 0, 0);
    EXPECT_ENTRY(7, 255, 0, 0);
    EXPECT_ENTRY(56, 0, 255, 0);
}

TEST_F(PaletteTest, FailedCreatePaletteLeavesNoPaletteAndSelectsNothing)
{
    Recording().describedFormat = RecordingPaletteFormat();
    Recording().createPaletteFails = 1;
    BuildDisplayPalette(dc);
    EXPECT_EQ(nullptr, displayPalette);
    EXPECT_EQ(1, CountRecordedCalls("CreatePalette"));
    EXPECT_EQ(0, CountRecordedCalls("SelectPalette"));
    EXPECT_EQ(0, CountRecordedCalls("RealizePalette"));
}

TEST_F(PaletteTest, FailedRecordAllocationLeavesNoPaletteAndTheProgramGoesOn)
{
    Recording().describedFormat = RecordingPaletteFormat();
    paletteRecordAllocator = FailingAllocator;
    BuildDisplayPalette(dc);
    EXPECT_EQ(1, allocations);
    EXPECT_EQ(nullptr, displayPalette);
    EXPECT_EQ(0, CountRecordedCalls("CreatePalette"));
    EXPECT_EQ(0, CountRecordedCalls("SelectPalette"));
    EXPECT_EQ(0, CountRecordedCalls("RealizePalette"));
}

} // namespace
