#include "render/counter.h"

#include <cmath>

#include "platform/gl.h"

// One glyph: up to nine points of a single line strip, in units of a cell
// three wide and four high with the baseline at 0.
struct DigitGlyph {
    int vertexCount;
    float vertices[9][2];
};

static const DigitGlyph digitGlyphs[10] = {
    {5, {{0, 0}, {0, 4}, {3, 4}, {3, 0}, {0, 0}}},
    {3, {{1, 2}, {3, 4}, {3, -0.15f}}},
    {8, {{0, 3}, {0, 4}, {3, 4}, {3, 3}, {0, 1}, {0, 0}, {3, 0}, {3, 1}}},
    {8, {{0, 3}, {0, 4}, {3, 4}, {1, 2}, {3, 2}, {3, 0}, {0, 0}, {0, 1}}},
    {5, {{2, 4.1f}, {0, 2}, {3, 2}, {3, 4}, {3, 0}}},
    {8, {{0, 1}, {0, 0}, {3, 0}, {3, 2}, {0, 2}, {1, 4}, {3, 4}, {3, 3}}},
    {9, {{0, 1}, {1, 2}, {3, 2}, {3, 0}, {0, 0}, {0, 3}, {1, 4}, {3, 4}, {3, 3}}},
    {5, {{0, 3}, {0, 4}, {3, 4}, {3, 3}, {0, 0}}},
    {9, {{0, 3}, {0, 4}, {3, 4}, {3, 3}, {0, 1}, {0, 0}, {3, 0}, {3, 1}, {0, 3}}},
    {9, {{0, 1}, {0, 0}, {2, 0}, {3, 1}, {3, 4}, {0, 4}, {0, 2}, {2, 2}, {3, 3}}},
};

// A slot value that shows nothing.
static const int emptySlot = -1;

// Truncates a quotient toward zero into *out; 0 when it does not fit in a
// 32-bit int (only the float 2^31 that the largest values round to). The
// conversion is to int, not a wider type: 32-bit x86 has no SSE2
// instruction for a 64-bit one and would take the x87 unit for it.
static int TruncateQuotient(double quotient, int *out)
{
    double whole = std::trunc(quotient);
    if (!(whole >= -2147483648.0 && whole <= 2147483647.0))
        return 0;
    *out = (int)whole;
    return 1;
}

// Hundreds, tens and ones of the value, taken through a 32-bit float as the
// counter always has; a slot that cannot be formed is left empty.
static void SplitDigits(int value, int slots[3])
{
    float f = (float)value;
    // The slots are remainders, far inside the int range: 10 * tens and
    // 10 * hundreds fit, and each difference is a single digit.
    int hundreds = 0, tens = 0, ones = 0;
    int haveHundreds = TruncateQuotient((double)f / 100.0, &hundreds);
    int haveTens = TruncateQuotient((double)f / 10.0, &tens);
    int haveOnes = TruncateQuotient((double)f, &ones);

    slots[0] = haveHundreds ? hundreds : emptySlot;
    slots[1] = (haveTens && haveHundreds) ? tens - 10 * hundreds : emptySlot;
    slots[2] = (haveOnes && haveTens) ? ones - 10 * tens : emptySlot;
}

void DrawCounter(int value, float x, float y, float size)
{
    int slots[3];
    SplitDigits(value, slots);

    glLineWidth(1.5f);
    glColor3f(0.8f, 0.9f, 0.1f);
    for (int p = 0; p < 3; p++) {
        int d = slots[p];
        if (d < 0 || d > 9)
            continue;
        const DigitGlyph *glyph = &digitGlyphs[d];
        glBegin(GL_LINE_STRIP);
        for (int v = 0; v < glyph->vertexCount; v++) {
            double gx = glyph->vertices[v][0];
            double gy = glyph->vertices[v][1];
            double X = (gx * size + x) + (4.0 * p) * size;
            double Y = gy * size + y;
            glVertex3f((float)X, (float)Y, 0.0f);
        }
        glEnd();
    }
}
