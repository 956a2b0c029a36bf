// For a back end whose windows have one pixel format, number 1, wherever
// they can have OpenGL at all (SDL, the browser): one_format.cpp defines
// ChooseFormat, SetFormat and DescribeFormat of backend.h over the back
// end's UsableFormat.
#pragma once

#include "platform/core/backend.h"

namespace backend {

// The window's one format, learnt on the first call; nullptr, with the
// reason reported, when the window can have no OpenGL context.
const PIXELFORMATDESCRIPTOR *UsableFormat(NativeWindow *window);

} // namespace backend
