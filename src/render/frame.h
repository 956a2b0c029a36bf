// Frames and their scheduling through the message loop's idle handler.
#ifndef DUCKVIEW_RENDER_FRAME_H
#define DUCKVIEW_RENDER_FRAME_H

// Draws one complete frame and presents it.
void RenderFrame(void);
// The idle handler: renders a frame, and uninstalls itself unless spinning.
void IdleRender(void);
// Asks for a frame: installs IdleRender unless a handler is already there.
void RequestRedraw(void);

// Multiplies the pending increment (incrementAngle about incrementAxis) onto
// the left of rotationMatrix through the current modelview stack, then keeps
// the result a rotation. Leaves rotationMatrix as it is for a zero axis.
void ComposeIncrement(void);
// Makes the upper 3 by 3 of a column-major matrix orthonormal again (first
// column kept in direction, second made orthogonal to it, third their cross
// product); the translation row and column are left untouched.
void OrthonormalizeRotation(float matrix[16]);

#endif // DUCKVIEW_RENDER_FRAME_H
