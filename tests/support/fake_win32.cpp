#include "fake_win32.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>

#include "gl_context.h"

namespace {

struct FakeClass {
    WNDCLASSA wc;
    std::string name;
};

struct FakeWindow {
    std::string className;
    WNDPROC proc = nullptr;
    HDC dc = nullptr;
    int x = 0, y = 0, width = 0, height = 0;
    int visible = 0;
    int needsPaint = 0;
    int alive = 1;
};

struct FakeState {
    FakeSettings settings;
    std::vector<FakeCall> calls;
    std::map<std::string, FakeClass> classes;
    std::map<HWND, FakeWindow> windows;
    std::map<HDC, HWND> dcOwners;
    std::deque<MSG> queue;
    int quitPosted = 0;
    int quitCode = 0;
    long emptyPeeks = 0;
    int nextWindow = 0;
    HWND lastWindow = nullptr;
    HWND capture = nullptr;
    PIXELFORMATDESCRIPTOR request{};
    int pixelFormat = 0;
    std::vector<PALETTEENTRY> paletteEntries;
    WORD paletteVersion = 0;
    WORD paletteCount = 0;
    int swapCount = 0;
    int glLive = 0;
    std::string glFailure;
    int starvedWaits = 0;
};

FakeState &S()
{
    static FakeState state;
    return state;
}

const HPALETTE kPalette = (HPALETTE)(std::uintptr_t)0x4001;
const HGLRC kContext = (HGLRC)(std::uintptr_t)0x3001;
const HICON kIcon = (HICON)(std::uintptr_t)0x5001;
const HCURSOR kCursor = (HCURSOR)(std::uintptr_t)0x5002;

std::intptr_t A(const void *p)
{
    return (std::intptr_t)p;
}

void Log(const char *name, std::vector<std::intptr_t> args, std::vector<std::string> texts = {})
{
    FakeState &s = S();
    s.calls.push_back(FakeCall{name, std::move(args), std::move(texts)});
    if (s.settings.echoCalls) {
        std::fprintf(stderr, "%s\n", FakeCallText(s.calls.back()).c_str());
        std::fflush(stderr);
    }
    if (s.settings.onCall) {
        FakeCall copy = s.calls.back();
        s.settings.onCall(copy);
    }
}

FakeWindow *Find(HWND hwnd)
{
    auto it = S().windows.find(hwnd);
    if (it == S().windows.end() || !it->second.alive)
        return nullptr;
    return &it->second;
}

LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    FakeWindow *w = Find(hwnd);
    if (!w || !w->proc)
        return 0;
    return w->proc(hwnd, message, wParam, lParam);
}

// Takes the next message as a real queue would: posted messages first, then
// the quit message, then a paint for a window that needs one. Leaves *msg
// alone when there is nothing.
int Next(MSG *msg, int remove)
{
    FakeState &s = S();
    if (!s.queue.empty()) {
        *msg = s.queue.front();
        if (remove)
            s.queue.pop_front();
        return 1;
    }
    if (s.quitPosted) {
        std::memset(msg, 0, sizeof *msg);
        msg->message = WM_QUIT;
        msg->wParam = (WPARAM)s.quitCode;
        if (remove)
            s.quitPosted = 0;
        return 1;
    }
    for (auto &entry : s.windows) {
        if (entry.second.alive && entry.second.needsPaint) {
            std::memset(msg, 0, sizeof *msg);
            msg->hwnd = entry.first;
            msg->message = WM_PAINT;
            return 1;
        }
    }
    return 0;
}

} // namespace

PIXELFORMATDESCRIPTOR FakeTrueColourFormat()
{
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 32;
    pfd.cRedBits = 8;
    pfd.cRedShift = 16;
    pfd.cGreenBits = 8;
    pfd.cGreenShift = 8;
    pfd.cBlueBits = 8;
    pfd.cBlueShift = 0;
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
}

PIXELFORMATDESCRIPTOR FakePaletteFormat()
{
    // The true-colour format cut down to 8 bits: 3-3-2 RGB needing a palette.
    PIXELFORMATDESCRIPTOR pfd = FakeTrueColourFormat();
    pfd.dwFlags |= PFD_NEED_PALETTE;
    pfd.cColorBits = 8;
    pfd.cRedBits = 3;
    pfd.cRedShift = 0;
    pfd.cGreenBits = 3;
    pfd.cGreenShift = 3;
    pfd.cBlueBits = 2;
    pfd.cBlueShift = 6;
    return pfd;
}

void ResetFakeWin32()
{
    if (S().glLive)
        DestroyHeadlessContext();
    S() = FakeState();
    S().settings.describedFormat = FakeTrueColourFormat();
}

FakeSettings &Fake()
{
    return S().settings;
}

const std::vector<FakeCall> &FakeCalls()
{
    return S().calls;
}

void ClearFakeCalls()
{
    S().calls.clear();
}

std::vector<std::string> FakeCallNames()
{
    std::vector<std::string> names;
    for (const FakeCall &c : S().calls)
        names.push_back(c.name);
    return names;
}

int CountFakeCalls(const std::string &name)
{
    int n = 0;
    for (const FakeCall &c : S().calls)
        n += c.name == name;
    return n;
}

int FakeCallIndex(const std::string &name, int nth)
{
    const std::vector<FakeCall> &calls = S().calls;
    for (size_t i = 0; i < calls.size(); i++)
        if (calls[i].name == name && nth-- == 0)
            return (int)i;
    return -1;
}

const FakeCall *FindFakeCall(const std::string &name, int nth)
{
    int i = FakeCallIndex(name, nth);
    return i < 0 ? nullptr : &S().calls[i];
}

std::string FakeCallText(const FakeCall &call)
{
    std::string text = call.name + "(";
    const char *sep = "";
    char number[32];
    for (std::intptr_t a : call.args) {
        std::snprintf(number, sizeof number, a > 0xfff ? "%s0x%lx" : "%s%ld", sep, (long)a);
        text += number;
        sep = ", ";
    }
    for (const std::string &t : call.texts) {
        text += sep;
        text += "\"" + t + "\"";
        sep = ", ";
    }
    return text + ")";
}

std::string FakeLogText()
{
    std::string text;
    for (const FakeCall &c : S().calls)
        text += FakeCallText(c) + "\n";
    return text;
}

void FakePostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg{};
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    S().queue.push_back(msg);
}

size_t FakeQueueLength()
{
    return S().queue.size();
}

LRESULT FakeSendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return Send(hwnd, message, wParam, lParam);
}

void FakeResizeWindow(HWND hwnd, int width, int height)
{
    FakeWindow *w = Find(hwnd);
    if (!w)
        return;
    w->width = width;
    w->height = height;
    Send(hwnd, WM_SIZE, 0, MAKELPARAM(width, height));
}

void FakeInvalidate(HWND hwnd)
{
    if (FakeWindow *w = Find(hwnd))
        w->needsPaint = 1;
}

HWND FakeLastWindow()
{
    return S().lastWindow;
}

HDC FakeDeviceContextOf(HWND hwnd)
{
    FakeWindow *w = Find(hwnd);
    return w ? w->dc : nullptr;
}

int FakeWindowExists(HWND hwnd)
{
    return Find(hwnd) != nullptr;
}

int FakeWindowVisible(HWND hwnd)
{
    FakeWindow *w = Find(hwnd);
    return w ? w->visible : 0;
}

int FakeWindowX(HWND hwnd)
{
    FakeWindow *w = Find(hwnd);
    return w ? w->x : 0;
}

int FakeWindowY(HWND hwnd)
{
    FakeWindow *w = Find(hwnd);
    return w ? w->y : 0;
}

const WNDCLASSA *FakeRegisteredClass(const std::string &name)
{
    auto it = S().classes.find(name);
    return it == S().classes.end() ? nullptr : &it->second.wc;
}

int FakeWindowWidth(HWND hwnd)
{
    FakeWindow *w = Find(hwnd);
    return w ? w->width : 0;
}

int FakeWindowHeight(HWND hwnd)
{
    FakeWindow *w = Find(hwnd);
    return w ? w->height : 0;
}

HWND FakeCapture()
{
    return S().capture;
}

const PIXELFORMATDESCRIPTOR &FakeChosenRequest()
{
    return S().request;
}

int FakeCurrentPixelFormat()
{
    return S().pixelFormat;
}

const std::vector<PALETTEENTRY> &FakePaletteEntries()
{
    return S().paletteEntries;
}

WORD FakePaletteVersion()
{
    return S().paletteVersion;
}

WORD FakePaletteEntryCount()
{
    return S().paletteCount;
}

int FakeSwapCount()
{
    return S().swapCount;
}

int FakeGlContextLive()
{
    return S().glLive;
}

const std::string &FakeGlFailure()
{
    return S().glFailure;
}

int FakeStarvedWaits()
{
    return S().starvedWaits;
}

// user32

ATOM RegisterClassA(const WNDCLASSA *wc)
{
    std::string name = wc && wc->lpszClassName ? wc->lpszClassName : "";
    Log("RegisterClassA", {wc ? (std::intptr_t)wc->style : 0, wc ? A((const void *)wc->lpfnWndProc) : 0},
        {name});
    if (!wc || name.empty() || S().classes.count(name))
        return 0;
    FakeClass c{*wc, name};
    c.wc.lpszClassName = nullptr;
    S().classes[name] = c;
    return (ATOM)(0xC000 + S().classes.size());
}

HICON LoadIconA(HINSTANCE instance, LPCSTR name)
{
    Log("LoadIconA", {A(instance), A(name)});
    return kIcon;
}

HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    Log("LoadCursorA", {A(instance), A(name)});
    return kCursor;
}

int GetSystemMetrics(int index)
{
    Log("GetSystemMetrics", {index});
    if (index == SM_CYSCREEN)
        return S().settings.screenHeight;
    if (index == SM_CXSCREEN)
        return S().settings.screenWidth;
    return 0;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    std::string t = text ? text : "";
    std::string c = caption ? caption : "";
    Log("MessageBoxA", {A(owner), (std::intptr_t)type}, {t, c});
    std::fprintf(stderr, "MessageBoxA(%p, 0x%x) [%s] <%s>\n", (void *)owner, type, c.c_str(), t.c_str());
    std::fflush(stderr);
    return S().settings.messageBoxResult;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    std::string cls = className ? className : "";
    Log("CreateWindowExA",
        {(std::intptr_t)exStyle, (std::intptr_t)style, x, y, width, height, A(parent), A(menu), A(instance),
         A(param)},
        {cls, title ? title : ""});
    FakeState &s = S();
    auto found = s.classes.find(cls);
    if (found == s.classes.end())
        return nullptr;
    s.nextWindow++;
    HWND hwnd = (HWND)(std::uintptr_t)(0x1000 + s.nextWindow);
    FakeWindow w;
    w.className = cls;
    w.proc = found->second.wc.lpfnWndProc;
    w.dc = (HDC)(std::uintptr_t)(0x2000 + s.nextWindow);
    w.x = x;
    w.y = y;
    w.width = width;
    w.height = height;
    s.windows[hwnd] = w;
    s.dcOwners[w.dc] = hwnd;
    s.lastWindow = hwnd;
    if (Send(hwnd, WM_CREATE, 0, 0) == -1) {
        Send(hwnd, WM_DESTROY, 0, 0);
        S().windows[hwnd].alive = 0;
        return nullptr;
    }
    return hwnd;
}

BOOL ShowWindow(HWND hwnd, int cmdShow)
{
    Log("ShowWindow", {A(hwnd), cmdShow});
    FakeWindow *w = Find(hwnd);
    if (!w)
        return FALSE;
    BOOL was = w->visible;
    w->visible = cmdShow != SW_HIDE;
    if (!was && w->visible)
        w->needsPaint = 1;
    return was;
}

BOOL UpdateWindow(HWND hwnd)
{
    Log("UpdateWindow", {A(hwnd)});
    FakeWindow *w = Find(hwnd);
    if (!w)
        return FALSE;
    if (w->needsPaint)
        Send(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL PeekMessageA(MSG *msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg)
{
    Log("PeekMessageA", {A(msg), A(hwnd), (std::intptr_t)filterMin, (std::intptr_t)filterMax,
                         (std::intptr_t)removeMsg});
    FakeState &s = S();
    if (Next(msg, removeMsg & PM_REMOVE)) {
        s.emptyPeeks = 0;
        return TRUE;
    }
    if (++s.emptyPeeks > s.settings.busyPeekLimit) {
        std::fprintf(stderr, "fake_win32: %ld empty PeekMessageA calls in a row, giving up\n", s.emptyPeeks);
        std::abort();
    }
    return FALSE;
}

BOOL GetMessageA(MSG *msg, HWND hwnd, UINT filterMin, UINT filterMax)
{
    Log("GetMessageA", {A(msg), A(hwnd), (std::intptr_t)filterMin, (std::intptr_t)filterMax});
    FakeState &s = S();
    s.emptyPeeks = 0;
    if (!Next(msg, 1)) {
        // A real thread would sleep here until something arrives.
        if (s.settings.onBlockingWait)
            s.settings.onBlockingWait();
        if (!Next(msg, 1)) {
            S().starvedWaits++;
            std::fprintf(stderr, "fake_win32: GetMessageA would wait for ever\n");
            return -1;
        }
    }
    return msg->message == WM_QUIT ? 0 : 1;
}

BOOL TranslateMessage(const MSG *msg)
{
    Log("TranslateMessage", {(std::intptr_t)msg->message, (std::intptr_t)msg->wParam});
    if (msg->message != WM_KEYDOWN)
        return FALSE;
    // Keys without a shift state: letters come out in lower case.
    WPARAM key = msg->wParam;
    WPARAM ch = 0;
    if (key == VK_ESCAPE || (key >= '0' && key <= '9') || key == ' ')
        ch = key;
    else if (key >= 'A' && key <= 'Z')
        ch = key - 'A' + 'a';
    if (!ch)
        return FALSE;
    FakePostMessage(msg->hwnd, WM_CHAR, ch, msg->lParam);
    return TRUE;
}

LRESULT DispatchMessageA(const MSG *msg)
{
    Log("DispatchMessageA", {A(msg->hwnd), (std::intptr_t)msg->message, (std::intptr_t)msg->wParam,
                             (std::intptr_t)msg->lParam});
    return Send(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Log("DefWindowProcA", {A(hwnd), (std::intptr_t)message, (std::intptr_t)wParam, (std::intptr_t)lParam});
    if (message == WM_PAINT) {
        if (FakeWindow *w = Find(hwnd))
            w->needsPaint = 0;
    } else if (message == WM_CLOSE) {
        DestroyWindow(hwnd);
    }
    return S().settings.defWindowProcResult;
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc)
{
    Log("SetTimer", {A(hwnd), (std::intptr_t)id, (std::intptr_t)elapse, A((const void *)proc)});
    return id;
}

HDC GetDC(HWND hwnd)
{
    Log("GetDC", {A(hwnd)});
    FakeWindow *w = Find(hwnd);
    return w ? w->dc : nullptr;
}

int ReleaseDC(HWND hwnd, HDC dc)
{
    Log("ReleaseDC", {A(hwnd), A(dc)});
    return 1;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT *paint)
{
    Log("BeginPaint", {A(hwnd), A(paint)});
    FakeWindow *w = Find(hwnd);
    if (paint)
        std::memset(paint, 0, sizeof *paint);
    if (!w)
        return nullptr;
    w->needsPaint = 0;
    if (paint) {
        paint->hdc = w->dc;
        paint->rcPaint.right = w->width;
        paint->rcPaint.bottom = w->height;
    }
    return w->dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT *paint)
{
    Log("EndPaint", {A(hwnd), A(paint)});
    return TRUE;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    Log("SetWindowPos", {A(hwnd), A(insertAfter), x, y, cx, cy, (std::intptr_t)flags});
    FakeWindow *w = Find(hwnd);
    if (!w)
        return FALSE;
    if (!(flags & SWP_NOMOVE)) {
        w->x = x;
        w->y = y;
    }
    if (!(flags & SWP_NOSIZE) && (cx != w->width || cy != w->height)) {
        w->width = cx;
        w->height = cy;
        // The system tells the window about its new size at once.
        Send(hwnd, WM_SIZE, 0, MAKELPARAM(cx, cy));
    }
    return TRUE;
}

HWND SetCapture(HWND hwnd)
{
    Log("SetCapture", {A(hwnd)});
    HWND previous = S().capture;
    S().capture = hwnd;
    return previous;
}

BOOL ReleaseCapture(void)
{
    Log("ReleaseCapture", {});
    S().capture = nullptr;
    return TRUE;
}

BOOL DestroyWindow(HWND hwnd)
{
    Log("DestroyWindow", {A(hwnd)});
    FakeWindow *w = Find(hwnd);
    if (!w)
        return FALSE;
    w->visible = 0;
    Send(hwnd, WM_DESTROY, 0, 0);
    S().windows[hwnd].alive = 0;
    if (S().capture == hwnd)
        S().capture = nullptr;
    // Messages still queued for the window go with it.
    std::deque<MSG> &q = S().queue;
    for (auto it = q.begin(); it != q.end();)
        it = it->hwnd == hwnd ? q.erase(it) : it + 1;
    return TRUE;
}

void PostQuitMessage(int exitCode)
{
    Log("PostQuitMessage", {exitCode});
    S().quitPosted = 1;
    S().quitCode = exitCode;
}

HWND WindowFromDC(HDC dc)
{
    Log("WindowFromDC", {A(dc)});
    auto it = S().dcOwners.find(dc);
    return it == S().dcOwners.end() ? nullptr : it->second;
}

// gdi32

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR *request)
{
    Log("ChoosePixelFormat", {A(dc), A(request)});
    if (request)
        S().request = *request;
    return S().settings.choosePixelFormatResult;
}

BOOL SetPixelFormat(HDC dc, int index, const PIXELFORMATDESCRIPTOR *request)
{
    Log("SetPixelFormat", {A(dc), index, A(request)});
    BOOL result = S().settings.setPixelFormatResult;
    if (result == TRUE)
        S().pixelFormat = index;
    return result;
}

int GetPixelFormat(HDC dc)
{
    Log("GetPixelFormat", {A(dc)});
    return S().pixelFormat;
}

int DescribePixelFormat(HDC dc, int index, UINT size, PIXELFORMATDESCRIPTOR *descriptor)
{
    Log("DescribePixelFormat", {A(dc), index, (std::intptr_t)size, A(descriptor)});
    if (index < 1)
        return 0;
    if (descriptor && size >= sizeof *descriptor)
        *descriptor = S().settings.describedFormat;
    return 32; // the number of formats the device offers
}

HPALETTE CreatePalette(const LOGPALETTE *palette)
{
    Log("CreatePalette", {A(palette)});
    FakeState &s = S();
    s.paletteEntries.clear();
    s.paletteVersion = palette ? palette->palVersion : 0;
    s.paletteCount = palette ? palette->palNumEntries : 0;
    if (palette)
        s.paletteEntries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
    if (!palette || s.settings.createPaletteFails)
        return nullptr;
    return kPalette;
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground)
{
    Log("SelectPalette", {A(dc), A(palette), forceBackground});
    return nullptr;
}

UINT RealizePalette(HDC dc)
{
    Log("RealizePalette", {A(dc)});
    return (UINT)S().paletteCount;
}

BOOL UnrealizeObject(HGDIOBJ object)
{
    Log("UnrealizeObject", {A(object)});
    return TRUE;
}

BOOL SwapBuffers(HDC dc)
{
    Log("SwapBuffers", {A(dc)});
    S().swapCount++;
    return TRUE;
}

// opengl32

HGLRC wglCreateContext(HDC dc)
{
    Log("wglCreateContext", {A(dc)});
    FakeState &s = S();
    if (!s.settings.realGlContext)
        return kContext;
    int width = 64, height = 64;
    auto owner = s.dcOwners.find(dc);
    if (owner != s.dcOwners.end()) {
        FakeWindow *w = Find(owner->second);
        if (w && w->width > 0 && w->height > 0) {
            width = w->width;
            height = w->height;
        }
    }
    s.glFailure.clear();
    if (!CreateHeadlessContext(width, height, &s.glFailure))
        return nullptr;
    s.glLive = 1;
    return kContext;
}

BOOL wglMakeCurrent(HDC dc, HGLRC context)
{
    Log("wglMakeCurrent", {A(dc), A(context)});
    return TRUE;
}

BOOL wglDeleteContext(HGLRC context)
{
    Log("wglDeleteContext", {A(context)});
    if (context != kContext)
        return FALSE;
    if (S().glLive) {
        DestroyHeadlessContext();
        S().glLive = 0;
    }
    return TRUE;
}
