// Windows only: a test program on the recording back end has the Win32 core
// in place of the system's user32, gdi32 and opengl32's WGL. The core
// defines those functions under their own names (it is built with _USER32_
// and _GDI32_), and such a program is linked without the system's user32
// and gdi32 (tests/support/CMakeLists.txt).
//
// The program's own code is compiled against <windows.h> as it is for the
// real .exe, where these functions are imported from the system's DLLs:
// each call goes through a pointer, the import address table's entry named
// __imp_<name> (__imp__<name>@<bytes of arguments> on 32-bit x86), which
// only the DLLs' import libraries provide. Here those pointers point at the
// core's functions. A function the program calls that the core lacks is
// left undefined at link time, never sent to the system.
#include <cstddef>

#include "platform/win32.h"

namespace {

// What a stdcall function takes off the stack: each argument in whole 4-byte
// slots.
template <typename R, typename... A> constexpr std::size_t ArgumentBytes(R(WINAPI *)(A...))
{
    return (std::size_t{0} + ... + ((sizeof(A) + 3) / 4 * 4));
}

} // namespace

#ifdef _WIN64
#define DV_IMPORT(name, bytes) \
    extern "C" void *const dv_import_##name __asm__("__imp_" #name) = reinterpret_cast<void *>(&name);
#else
#define DV_IMPORT(name, bytes)                                                                          \
    static_assert(ArgumentBytes(&name) == bytes, #name " takes other than " #bytes " bytes of arguments"); \
    extern "C" void *const dv_import_##name __asm__("__imp__" #name "@" #bytes) = reinterpret_cast<void *>(&name);
#endif

// user32
DV_IMPORT(RegisterClassA, 4)
DV_IMPORT(LoadIconA, 8)
DV_IMPORT(LoadCursorA, 8)
DV_IMPORT(GetSystemMetrics, 4)
DV_IMPORT(MessageBoxA, 16)
DV_IMPORT(CreateWindowExA, 48)
DV_IMPORT(ShowWindow, 8)
DV_IMPORT(UpdateWindow, 4)
DV_IMPORT(PeekMessageA, 20)
DV_IMPORT(GetMessageA, 16)
DV_IMPORT(TranslateMessage, 4)
DV_IMPORT(DispatchMessageA, 4)
DV_IMPORT(DefWindowProcA, 16)
DV_IMPORT(SetTimer, 16)
DV_IMPORT(GetDC, 4)
DV_IMPORT(ReleaseDC, 8)
DV_IMPORT(BeginPaint, 8)
DV_IMPORT(EndPaint, 8)
DV_IMPORT(SetWindowPos, 28)
DV_IMPORT(SetCapture, 4)
DV_IMPORT(ReleaseCapture, 0)
DV_IMPORT(DestroyWindow, 4)
DV_IMPORT(PostQuitMessage, 4)
DV_IMPORT(WindowFromDC, 4)

// gdi32
DV_IMPORT(ChoosePixelFormat, 8)
DV_IMPORT(SetPixelFormat, 12)
DV_IMPORT(GetPixelFormat, 4)
DV_IMPORT(DescribePixelFormat, 16)
DV_IMPORT(CreatePalette, 4)
DV_IMPORT(SelectPalette, 12)
DV_IMPORT(RealizePalette, 4)
DV_IMPORT(UnrealizeObject, 4)
DV_IMPORT(SwapBuffers, 4)

// opengl32's window binding
DV_IMPORT(wglCreateContext, 4)
DV_IMPORT(wglMakeCurrent, 8)
DV_IMPORT(wglDeleteContext, 4)
