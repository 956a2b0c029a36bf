// Frames and their scheduling through the message loop's idle handler.
#ifndef DUCKVIEW_RENDER_FRAME_H
#define DUCKVIEW_RENDER_FRAME_H

// Draws one complete frame and presents it.
void RenderFrame(void);
// The idle handler: renders a frame, and uninstalls itself unless spinning.
void IdleRender(void);
// Asks for a frame: installs IdleRender unless a handler is already there.
void RequestRedraw(void);

#endif // DUCKVIEW_RENDER_FRAME_H
