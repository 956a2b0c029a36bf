#include "platform/core/one_format.h"

namespace backend {

int ChooseFormat(NativeWindow *w, const PIXELFORMATDESCRIPTOR &)
{
    return UsableFormat(w) ? 1 : 0;
}

BOOL SetFormat(NativeWindow *w, int index)
{
    return (index == 1 && UsableFormat(w)) ? TRUE : FALSE;
}

int DescribeFormat(NativeWindow *w, int index, PIXELFORMATDESCRIPTOR *descriptor)
{
    const PIXELFORMATDESCRIPTOR *format = UsableFormat(w);
    if (format == nullptr)
        return 0;
    if (index == 1)
        *descriptor = *format;
    return 1;
}

} // namespace backend
