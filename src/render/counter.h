// The frame-count overlay: three digits drawn as line strips.
#ifndef DUCKVIEW_RENDER_COUNTER_H
#define DUCKVIEW_RENDER_COUNTER_H

// Writes value as hundreds, tens and ones at (x, y), one glyph unit = size.
void DrawCounter(int value, float x, float y, float size);

#endif // DUCKVIEW_RENDER_COUNTER_H
