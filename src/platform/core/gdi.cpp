// Pixel formats, palettes, buffer swaps and OpenGL contexts: the
// bookkeeping of the handles, with the formats and contexts themselves left
// to the back end.
#include "platform/core/core.h"

using namespace core;

int WINAPI ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR *request)
{
    Traced call("ChoosePixelFormat", {Arg(dc), Arg(request)});
    Window *w = LiveWindowOfDc(dc);
    if (w == nullptr || request == nullptr)
        return call.Return(0);
    return call.Return(backend::ChooseFormat(w->native, *request));
}

// A window's format is set once; setting the same one again is harmless,
// another one is refused.
BOOL WINAPI SetPixelFormat(HDC dc, int index, const PIXELFORMATDESCRIPTOR *request)
{
    Traced call("SetPixelFormat", {Arg(dc), Arg(index), Arg(request)});
    Window *w = LiveWindowOfDc(dc);
    if (w == nullptr || index < 1 || (w->pixelFormat != 0 && w->pixelFormat != index))
        return call.Return(FALSE);
    BOOL result = backend::SetFormat(w->native, index);
    if (result == TRUE)
        w->pixelFormat = index;
    return call.Return(result);
}

int WINAPI GetPixelFormat(HDC dc)
{
    Traced call("GetPixelFormat", {Arg(dc)});
    Window *w = LiveWindowOfDc(dc);
    return call.Return(w != nullptr ? w->pixelFormat : 0);
}

int WINAPI DescribePixelFormat(HDC dc, int index, UINT size, PIXELFORMATDESCRIPTOR *descriptor)
{
    Traced call("DescribePixelFormat", {Arg(dc), Arg(index), Arg(size), Arg(descriptor)});
    Window *w = LiveWindowOfDc(dc);
    if (w == nullptr)
        return call.Return(0);
    PIXELFORMATDESCRIPTOR described{};
    int count = backend::DescribeFormat(w->native, index, &described);
    // Without a descriptor to fill the call only counts the formats.
    if (descriptor == nullptr)
        return call.Return(count);
    if (index < 1 || index > count || size < sizeof(PIXELFORMATDESCRIPTOR))
        return call.Return(0);
    *descriptor = described;
    return call.Return(count);
}

HPALETTE WINAPI CreatePalette(const LOGPALETTE *palette)
{
    Traced call("CreatePalette", {Arg(palette)});
    if (palette == nullptr || palette->palNumEntries == 0)
        return call.Return<HPALETTE>(nullptr);
    Palette p;
    p.entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
    state.palettes.push_back(std::move(p));
    return call.Return(reinterpret_cast<HPALETTE>(MakeHandle(kPaletteHandle, state.palettes.size() - 1)));
}

HPALETTE WINAPI SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground)
{
    Traced call("SelectPalette", {Arg(dc), Arg(palette), Arg(forceBackground)});
    Window *w = LiveWindowOfDc(dc);
    if (w == nullptr || LivePalette(palette) == nullptr)
        return call.Return<HPALETTE>(nullptr);
    HPALETTE previous = w->palette;
    w->palette = palette;
    return call.Return(previous);
}

UINT WINAPI RealizePalette(HDC dc)
{
    Traced call("RealizePalette", {Arg(dc)});
    // True colour: there is no system palette to map entries into.
    return call.Return<UINT>(0);
}

BOOL WINAPI UnrealizeObject(HGDIOBJ object)
{
    Traced call("UnrealizeObject", {Arg(object)});
    return call.Return(LivePalette(static_cast<HPALETTE>(object)) != nullptr ? TRUE : FALSE);
}

BOOL WINAPI SwapBuffers(HDC dc)
{
    Traced call("SwapBuffers", {Arg(dc)});
    Window *w = LiveWindowOfDc(dc);
    return call.Return(w != nullptr && backend::Present(w->native) ? TRUE : FALSE);
}

// A context needs a device context whose pixel format has been set.
HGLRC WINAPI wglCreateContext(HDC dc)
{
    Traced call("wglCreateContext", {Arg(dc)});
    Window *w = LiveWindowOfDc(dc);
    if (w == nullptr || w->pixelFormat == 0)
        return call.Return<HGLRC>(nullptr);
    backend::NativeContext *native = backend::CreateContext(w->native);
    if (native == nullptr)
        return call.Return<HGLRC>(nullptr);
    state.contexts.push_back(Context{native, true});
    return call.Return(reinterpret_cast<HGLRC>(MakeHandle(kContextHandle, state.contexts.size() - 1)));
}

BOOL WINAPI wglMakeCurrent(HDC dc, HGLRC context)
{
    Traced call("wglMakeCurrent", {Arg(dc), Arg(context)});
    if (context == nullptr)
        return call.Return(backend::MakeCurrent(nullptr, nullptr) ? TRUE : FALSE);
    Window *w = LiveWindowOfDc(dc);
    Context *c = LiveContext(context);
    if (w == nullptr || c == nullptr)
        return call.Return(FALSE);
    return call.Return(backend::MakeCurrent(w->native, c->native) ? TRUE : FALSE);
}

BOOL WINAPI wglDeleteContext(HGLRC context)
{
    Traced call("wglDeleteContext", {Arg(context)});
    Context *c = LiveContext(context);
    if (c == nullptr)
        return call.Return(FALSE);
    backend::DeleteContext(c->native);
    c->native = nullptr;
    c->alive = false;
    return call.Return(TRUE);
}
