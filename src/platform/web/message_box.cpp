// Browser back end: message boxes.
//
// Platform: a web browser. The box is a modal dialog in the page (an HTML
// dialog element) with the caption above the text and one OK button; the
// program sleeps until it is dismissed, while the page stays live.
//
// Limits and differences from Windows:
// - One OK button whatever the type asks for; OK, Return and Escape all
//   dismiss it and it returns IDOK. The error type (MB_ICONERROR) marks it
//   as an error; there are no other icons.
// - While it is open, the page's windows get no mouse or key input.
#include "platform/web/web_backend.h"

namespace backend {

int ShowMessageBox(NativeWindow *, const char *text, const char *caption, UINT type)
{
    const UINT iconMask = 0xF0;
    dv_message_box(text, caption, (type & iconMask) == MB_ICONERROR ? 1 : 0);
    return IDOK;
}

} // namespace backend
