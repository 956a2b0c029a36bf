// Turns left-button drags into rotations of the model, like a ball under the
// pointer.
#ifndef DUCKVIEW_TRACKBALL_TRACKBALL_H
#define DUCKVIEW_TRACKBALL_TRACKBALL_H

// Turns a client-area pixel into a unit vector on the ball.
void ProjectToSphere(int x, int y, int width, int height, float out[3]);
void BeginDrag(int button, int x, int y);
void DragTo(int x, int y);
void EndDrag(int button, int x, int y);

#endif // DUCKVIEW_TRACKBALL_TRACKBALL_H
