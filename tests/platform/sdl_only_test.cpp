// What only the SDL back end on a real X server shows (Xvfb, 1024x768, no
// window manager): real X windows, real keys and pointer through xdotool,
// capture outside the window, real GL drawing on screen, the message box,
// and the start-up warm-up. The X server's own view of the windows is read
// back through Xlib.
// Google Test first: Xlib defines None, Bool and others as macros.
#include "harness.h"

#include <SDL.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <thread>

#include "platform/gl.h"
#include "platform/sdl/sdl_backend.h"

namespace {

double Seconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double ProcessCpuSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

int Xdotool(const std::string &arguments)
{
    return std::system(("timeout 20 xdotool " + arguments).c_str());
}

// The X server's side of things, through a connection of the test's own.
Display *xDisplay = nullptr;

XErrorHandler previousHandler = nullptr;

// Windows of another connection (SDL's) may be destroyed while this one
// walks the tree: the server need not handle that connection's destroy
// before this one's queries. A window gone meanwhile is no error here.
int IgnoreVanishedWindows(Display *display, XErrorEvent *error)
{
    if (display == xDisplay && error->error_code == BadWindow)
        return 0;
    return previousHandler(display, error);
}

Display *X11()
{
    if (xDisplay == nullptr) {
        xDisplay = XOpenDisplay(nullptr);
        previousHandler = XSetErrorHandler(IgnoreVanishedWindows);
    }
    return xDisplay;
}

std::string NameOf(::Window window)
{
    // SDL's message box names itself in UTF-8 only.
    Atom netName = XInternAtom(X11(), "_NET_WM_NAME", False);
    Atom utf8 = XInternAtom(X11(), "UTF8_STRING", False);
    std::string name;
    char *plain = nullptr;
    if (XFetchName(X11(), window, &plain) && plain != nullptr) {
        name = plain;
        XFree(plain);
        return name;
    }
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char *value = nullptr;
    if (XGetWindowProperty(X11(), window, netName, 0, 256, False, utf8, &type, &format, &items, &after, &value) ==
            Success &&
        value != nullptr) {
        name.assign(reinterpret_cast<char *>(value), items);
        XFree(value);
    }
    return name;
}

::Window FindXWindow(const std::string &title)
{
    XSync(X11(), False);
    ::Window root = DefaultRootWindow(X11()), parent = 0, *children = nullptr;
    unsigned int count = 0;
    ::Window found = 0;
    if (XQueryTree(X11(), root, &root, &parent, &children, &count) == 0)
        return 0;
    for (unsigned int i = 0; i < count && found == 0; ++i)
        if (NameOf(children[i]) == title)
            found = children[i];
    if (children != nullptr)
        XFree(children);
    return found;
}

struct Geometry {
    int x, y, width, height;
    bool mapped;
};

Geometry XGeometry(::Window window)
{
    XSync(X11(), False);
    XWindowAttributes attributes;
    XGetWindowAttributes(X11(), window, &attributes);
    int x = 0, y = 0;
    ::Window child;
    XTranslateCoordinates(X11(), window, DefaultRootWindow(X11()), 0, 0, &x, &y, &child);
    return Geometry{x, y, attributes.width, attributes.height, attributes.map_state == IsViewable};
}

bool WaitForGeometry(::Window window, int width, int height)
{
    return PumpUntil(5, [&] {
        Geometry g = XGeometry(window);
        return g.width == width && g.height == height;
    });
}

// The colour on screen at a root-window position, as 0xRRGGBB.
unsigned long ScreenPixel(int x, int y)
{
    XSync(X11(), False);
    XImage *image = XGetImage(X11(), DefaultRootWindow(X11()), x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr)
        return 0xFFFFFFFF;
    unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
    XDestroyImage(image);
    return pixel;
}

// ---- the video driver (needs no display) ----

using NoDisplay = WindowTest;

// On a Wayland desktop with XWayland, X11 whatever SDL's own order; the
// drivers that show nothing are tried only when the user names them.
TEST_F(NoDisplay, VideoDriverIsX11WhereverThereIsAnXDisplay)
{
    const std::vector<std::string> sdlOrder = {"wayland", "x11", "KMSDRM", "offscreen", "dummy", "evdev"};
    EXPECT_EQ(backend::VideoDriversToTry(sdlOrder, true), (std::vector<std::string>{"x11", "wayland", "KMSDRM"}));
    EXPECT_EQ(backend::VideoDriversToTry(sdlOrder, false), (std::vector<std::string>{"wayland", "x11", "KMSDRM"}));
    EXPECT_EQ(backend::VideoDriversToTry({"wayland", "dummy"}, true), (std::vector<std::string>{"wayland"}));
}

// ---- the start-up warm-up (the first window of its own process) ----

using WarmUp = WindowTest;

int LiveSdlWindows()
{
    int n = 0;
    for (Uint32 id = 1; id < 20; ++id)
        n += SDL_GetWindowFromID(id) != nullptr;
    return n;
}

// Registering the class started OpenGL: a context, made on a window that
// went again at once. The first window's context is that one, drawing at
// the window's size and with its client area as the viewport.
TEST_F(WarmUp, TheFirstWindowGetsTheWarmUpContext)
{
    SDL_GLContext warm = backend::sdl.warmContext;
    ASSERT_NE(warm, nullptr) << "registration started OpenGL";
    EXPECT_EQ(LiveSdlWindows(), 0);
    ASSERT_NE(CreateAndShow(), nullptr);
    EXPECT_EQ(LiveSdlWindows(), 1);
    HDC dc = GetDC(hwnd);
    PIXELFORMATDESCRIPTOR request = ProgramRequest();
    ASSERT_EQ(SetPixelFormat(dc, ChoosePixelFormat(dc, &request), &request), TRUE);
    HGLRC rc = wglCreateContext(dc);
    ASSERT_NE(rc, nullptr);
    ASSERT_TRUE(wglMakeCurrent(dc, rc));
    EXPECT_EQ(SDL_GL_GetCurrentContext(), warm);
    GLint viewport[4] = {0, 0, 0, 0};
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 230);
    EXPECT_EQ(viewport[3], 230);
    glClearColor(0, 0, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    unsigned char corner[4] = {0, 0, 0, 0};
    glReadPixels(229, 229, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, corner);
    EXPECT_EQ(corner[2], 255) << "the whole client area is drawn, not the 1x1 the context began on";
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(rc);
}

// ---- real X windows ----

using X11Window = WindowTest;

TEST_F(X11Window, HiddenUntilShownThenOuterSizeIsTheClientSizeWithoutWindowManager)
{
    ASSERT_NE(Create(), nullptr);
    ::Window x = FindXWindow(title);
    ASSERT_NE(x, 0u);
    EXPECT_FALSE(XGeometry(x).mapped);
    ShowWindow(hwnd, SW_SHOWDEFAULT);
    ASSERT_TRUE(PumpUntil(5, [&] { return XGeometry(x).mapped; }));
    Geometry g = XGeometry(x);
    EXPECT_EQ(g.x, 50);
    EXPECT_EQ(g.y, 50);
    EXPECT_EQ(g.width, 230);
    EXPECT_EQ(g.height, 230);
}

TEST_F(X11Window, FailedCreationLeavesNoXWindow)
{
    FailCreation();
    EXPECT_EQ(Create(), nullptr);
    EXPECT_TRUE(PumpUntil(5, [&] { return FindXWindow(title) == 0; }));
}

TEST_F(X11Window, SetWindowPosResizesTheXWindowAndKeepsItsPosition)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    ::Window x = FindXWindow(title);
    ASSERT_NE(x, 0u);
    SetWindowPos(hwnd, nullptr, 80, 80, 300, 260, SWP_NOMOVE);
    ASSERT_TRUE(WaitForGeometry(x, 300, 260));
    EXPECT_EQ(XGeometry(x).x, 50);
    EXPECT_EQ(XGeometry(x).y, 50);
    // The program's handler puts any new size back at once.
    hook = [](HWND h, UINT m, WPARAM, LPARAM, LRESULT *) {
        if (m == WM_SIZE)
            SetWindowPos(h, nullptr, 80, 80, 230, 230, SWP_NOMOVE);
        return m == WM_SIZE;
    };
    SetWindowPos(hwnd, nullptr, 0, 0, 400, 350, SWP_NOMOVE);
    EXPECT_TRUE(WaitForGeometry(x, 230, 230));
}

TEST_F(X11Window, ResizeByAnotherClientIsReported)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    ::Window x = FindXWindow(title);
    seen.clear();
    XResizeWindow(X11(), x, 320, 200);
    XSync(X11(), False);
    ASSERT_TRUE(PumpUntil(5, [] { return Count(WM_SIZE) > 0; }));
    EXPECT_EQ(X(Last(WM_SIZE)->lParam), 320);
    EXPECT_EQ(Y(Last(WM_SIZE)->lParam), 200);
}

TEST_F(X11Window, UncoveringTheWindowAsksForAPaint)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    int painted = Count(WM_PAINT);
    // Cover the window with another one and take it away again: the X
    // server exposes what was covered.
    ::Window cover = XCreateSimpleWindow(X11(), DefaultRootWindow(X11()), 40, 40, 300, 300, 0, 0, 0);
    XSetWindowAttributes override;
    override.override_redirect = True;
    XChangeWindowAttributes(X11(), cover, CWOverrideRedirect, &override);
    XMapRaised(X11(), cover);
    XSync(X11(), False);
    XDestroyWindow(X11(), cover);
    XSync(X11(), False);
    EXPECT_TRUE(PumpUntil(5, [&] { return Count(WM_PAINT) > painted; }));
}

TEST_F(X11Window, CloseRequestFromTheServerDestroysTheWindow)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    ::Window x = FindXWindow(title);
    ASSERT_NE(x, 0u);
    seen.clear();
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = x;
    event.xclient.message_type = XInternAtom(X11(), "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(X11(), "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(X11(), x, False, NoEventMask, &event);
    XFlush(X11());
    ASSERT_TRUE(PumpUntil(5, [] { return Count(WM_DESTROY) > 0; }));
    EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_CLOSE));
    EXPECT_TRUE(PumpUntil(5, [&] { return FindXWindow(title) == 0; })) << "the X window is gone";
    hwnd = nullptr;
}

// ---- real keys ----

using X11Keys = WindowTest;

TEST_F(X11Keys, KeyPressesBecomeCharactersWithCase)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    seen.clear();
    ASSERT_EQ(Xdotool("key f F Escape p"), 0);
    ASSERT_TRUE(PumpUntil(10, [] { return Count(WM_CHAR) >= 4 && Count(WM_KEYUP) >= 5; }))
        << Count(WM_CHAR) << " characters";
    for (size_t i = 0; i < seen.size(); ++i) {
        if (seen[i].message == WM_CHAR) {
            ASSERT_GT(i, 0u);
            EXPECT_EQ(seen[i - 1].message, static_cast<UINT>(WM_KEYDOWN)) << "each character follows its key";
        }
    }
    EXPECT_EQ(WParamsOf(WM_CHAR), (std::vector<WPARAM>{102, 70, 27, 112}));
    EXPECT_EQ(WParamsOf(WM_KEYDOWN), (std::vector<WPARAM>{'F', 0x10, 'F', VK_ESCAPE, 'P'}));
}

TEST_F(X11Keys, ShiftCountsAsItWasWhenTheKeyWasPressedNotWhenTranslated)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    seen.clear();
    // All these events are waiting before the first one is translated.
    ASSERT_EQ(Xdotool("keydown shift keydown f keyup f keyup shift key f"), 0);
    SDL_Delay(300);
    ASSERT_TRUE(PumpUntil(10, [] { return Count(WM_CHAR) >= 2; }));
    EXPECT_EQ(WParamsOf(WM_CHAR), (std::vector<WPARAM>{'F', 'f'}));
}

// What SDL says of a key reaches the message: a held key's auto-repeat has
// its previous state set, and the right-hand Control is extended.
TEST_F(X11Keys, AutoRepeatAndTheRightHandModifiersReachTheMessage)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    seen.clear();
    for (auto stroke : {std::pair<Uint32, Uint8>{SDL_KEYDOWN, 0}, {SDL_KEYDOWN, 1}, {SDL_KEYUP, 0}}) {
        SDL_Event e{};
        e.type = stroke.first;
        e.key.timestamp = SDL_GetTicks();
        e.key.windowID = SDL_GetWindowID(SdlWindowOf(hwnd));
        e.key.state = stroke.first == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.key.repeat = stroke.second;
        e.key.keysym.sym = SDLK_RCTRL;
        SDL_PushEvent(&e);
    }
    ASSERT_TRUE(PumpUntil(5, [] { return Count(WM_KEYUP) > 0; }));
    std::vector<std::vector<unsigned>> strokes;
    for (const Record &r : seen)
        if (r.message == WM_KEYDOWN || r.message == WM_KEYUP)
            strokes.push_back(KeyBits(r.lParam));
    EXPECT_EQ(strokes, (std::vector<std::vector<unsigned>>{{1, 1, 0, 0}, {1, 1, 1, 0}, {1, 1, 1, 1}}));
}

// ---- the real pointer ----

using X11Mouse = WindowTest;

TEST_F(X11Mouse, CapturedDragKeepsReportingOutsideWithSignedPositions)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    CaptureOnPress();
    seen.clear();
    ASSERT_EQ(Xdotool("mousemove 150 150"), 0);
    ASSERT_TRUE(PumpUntil(5, [] { return Count(WM_MOUSEMOVE) > 0; }));
    ASSERT_EQ(Xdotool("mousedown 1"), 0);
    ASSERT_TRUE(PumpUntil(5, [] { return Count(WM_LBUTTONDOWN) > 0; }));
    const Record *down = Last(WM_LBUTTONDOWN);
    EXPECT_EQ(X(down->lParam), 100);
    EXPECT_EQ(Y(down->lParam), 100);

    // Up and to the left of the window: client (-40, -30).
    ASSERT_EQ(Xdotool("mousemove 10 20"), 0);
    ASSERT_TRUE(PumpUntil(5, [] {
        const Record *move = Last(WM_MOUSEMOVE);
        return move != nullptr && X(move->lParam) < 0;
    }));
    const Record *move = Last(WM_MOUSEMOVE);
    EXPECT_EQ(X(move->lParam), -40);
    EXPECT_EQ(Y(move->lParam), -30);
    EXPECT_EQ(move->wParam & 1, 1u) << "MK_LBUTTON while the button is held";

    ASSERT_EQ(Xdotool("mouseup 1"), 0);
    ASSERT_TRUE(PumpUntil(5, [] { return Count(WM_LBUTTONUP) > 0; }));
    const Record *up = Last(WM_LBUTTONUP);
    EXPECT_EQ(X(up->lParam), -40);
    EXPECT_EQ(Y(up->lParam), -30);
}

TEST_F(X11Mouse, CaptureWithoutAButtonStillFollowsThePointerUntilReleased)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    ASSERT_EQ(Xdotool("mousemove 150 150"), 0);
    ASSERT_TRUE(PumpUntil(5, [] { return Count(WM_MOUSEMOVE) > 0; }));
    SetCapture(hwnd);
    ASSERT_EQ(Xdotool("mousemove 400 500"), 0);
    ASSERT_TRUE(PumpUntil(5, [] {
        const Record *move = Last(WM_MOUSEMOVE);
        return move != nullptr && X(move->lParam) == 350;
    }));
    EXPECT_EQ(Y(Last(WM_MOUSEMOVE)->lParam), 450);

    ReleaseCapture();
    PumpUntilQuiet();
    int moves = Count(WM_MOUSEMOVE);
    ASSERT_EQ(Xdotool("mousemove 500 600"), 0);
    PumpUntilQuiet();
    EXPECT_EQ(Count(WM_MOUSEMOVE), moves) << "outside and not captured: nothing";
}

// ---- real time ----

using X11Timer = WindowTest;

TEST_F(X11Timer, WaitingForAMessageUsesNoProcessorTime)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    SetTimer(hwnd, 1, 1500, nullptr);
    double wallStart = Seconds();
    double cpuStart = ProcessCpuSeconds();
    MSG msg{};
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    double wall = Seconds() - wallStart;
    double cpu = ProcessCpuSeconds() - cpuStart;
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_GT(wall, 1.4) << "GetMessageA returned before anything happened";
    EXPECT_LT(cpu, 0.04) << "over " << wall << " s of waiting";
}

// ---- OpenGL on screen ----

using X11OpenGL = WindowTest;

TEST_F(X11OpenGL, FormatReportedIsTheOneTheContextGets)
{
    HDC dc = nullptr;
    int index = 0;
    PIXELFORMATDESCRIPTOR pfd{};
    HGLRC rc = nullptr;
    // The program's set-up, inside WM_CREATE.
    hook = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT *) {
        if (m != WM_CREATE)
            return false;
        dc = GetDC(h);
        PIXELFORMATDESCRIPTOR request = ProgramRequest();
        index = ChoosePixelFormat(dc, &request);
        SetPixelFormat(dc, index, &request);
        DescribePixelFormat(dc, GetPixelFormat(dc), sizeof pfd, &pfd);
        rc = wglCreateContext(dc);
        wglMakeCurrent(dc, rc);
        return true;
    };
    ASSERT_NE(Create(), nullptr);
    ASSERT_EQ(index, 1);
    EXPECT_EQ(DescribePixelFormat(dc, index, sizeof pfd, nullptr), 1) << "one format";
    EXPECT_EQ(GetPixelFormat(dc), index);
    ASSERT_NE(rc, nullptr);

    EXPECT_EQ(pfd.nSize, sizeof pfd);
    EXPECT_EQ(pfd.iPixelType, PFD_TYPE_RGBA);
    EXPECT_EQ(pfd.dwFlags & PFD_NEED_PALETTE, 0u) << "true colour";
    EXPECT_NE(pfd.dwFlags & PFD_DRAW_TO_WINDOW, 0u);
    EXPECT_NE(pfd.dwFlags & PFD_SUPPORT_OPENGL, 0u);

    GLint red = 0, green = 0, blue = 0, depthBits = 0, viewport[4] = {0, 0, 0, 0};
    GLboolean doubleBuffer = GL_FALSE;
    glGetIntegerv(GL_RED_BITS, &red);
    glGetIntegerv(GL_GREEN_BITS, &green);
    glGetIntegerv(GL_BLUE_BITS, &blue);
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffer);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(pfd.cRedBits, red);
    EXPECT_EQ(pfd.cGreenBits, green);
    EXPECT_EQ(pfd.cBlueBits, blue);
    EXPECT_EQ(pfd.cColorBits, red + green + blue);
    EXPECT_EQ(pfd.cDepthBits, depthBits);
    EXPECT_GE(depthBits, 16);
    EXPECT_GE(red, 8);
    EXPECT_EQ((pfd.dwFlags & PFD_DOUBLEBUFFER) != 0, doubleBuffer == GL_TRUE);
    EXPECT_EQ(doubleBuffer, GL_TRUE);
    // Bits of each component lie where the shifts say, apart from each other.
    EXPECT_EQ(((1u << pfd.cRedBits) - 1) << pfd.cRedShift & ((1u << pfd.cGreenBits) - 1) << pfd.cGreenShift, 0u);
    EXPECT_EQ(((1u << pfd.cGreenBits) - 1) << pfd.cGreenShift & ((1u << pfd.cBlueBits) - 1) << pfd.cBlueShift, 0u);
    EXPECT_EQ(viewport[2], 230) << "the viewport is the client area when first made current";
    EXPECT_EQ(viewport[3], 230);

    wglMakeCurrent(nullptr, nullptr);
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    EXPECT_TRUE(wglDeleteContext(rc));
}

TEST_F(X11OpenGL, FixedFunctionDrawingBecomesVisibleOnSwap)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    HDC dc = GetDC(hwnd);
    PIXELFORMATDESCRIPTOR request = ProgramRequest();
    ASSERT_EQ(SetPixelFormat(dc, ChoosePixelFormat(dc, &request), &request), 1);
    HGLRC rc = wglCreateContext(dc);
    ASSERT_NE(rc, nullptr);
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr) << "creating does not make current";
    ASSERT_TRUE(wglMakeCurrent(dc, rc));

    // A red background and a green triangle over the left half, in the
    // immediate mode of OpenGL 1.1.
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(0, 1, 0);
    glBegin(GL_TRIANGLES);
    glVertex3f(-1, -1, 0);
    glVertex3f(0, -1, 0);
    glVertex3f(-1, 3, 0);
    glEnd();
    glFlush();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_NE(ScreenPixel(50 + 200, 50 + 115), 0xFF0000ul) << "nothing shows before the swap";

    EXPECT_TRUE(SwapBuffers(dc));
    EXPECT_TRUE(PumpUntil(5, [] { return ScreenPixel(50 + 200, 50 + 115) == 0xFF0000ul; }));
    EXPECT_EQ(ScreenPixel(50 + 20, 50 + 200), 0x00FF00ul);

    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(rc);
}

// ---- the message box ----

using X11MessageBox = WindowTest;

TEST_F(X11MessageBox, BoxIsModalUntilDismissed)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    const std::string caption = "dv box " + title;
    double dismissedAt = 0;
    bool found = false;
    std::thread user([&] {
        // The user: waits for the box to come up, then presses Return on it.
        ::Window box = 0;
        double deadline = Seconds() + 20;
        while (box == 0 && Seconds() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            box = FindXWindow(caption);
        }
        found = box != 0;
        if (!found)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        dismissedAt = Seconds();
        std::string id = std::to_string(box);
        // Pressed again should the first press come before the box listens.
        for (int i = 0; i < 10 && FindXWindow(caption) != 0; ++i) {
            Xdotool("windowfocus " + id + " >/dev/null 2>&1");
            Xdotool("key Return >/dev/null 2>&1");
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
    });
    int result = MessageBoxA(hwnd, "some text", caption.c_str(), MB_OK | MB_ICONERROR);
    double returnedAt = Seconds();
    user.join();
    EXPECT_EQ(result, IDOK);
    ASSERT_TRUE(found) << "the box never appeared (SDL draws it with the X server's fonts: is xfonts-base there?)";
    EXPECT_GE(returnedAt, dismissedAt) << "returned before it was dismissed";
}

} // namespace
