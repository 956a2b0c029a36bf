// A preloaded library (LD_PRELOAD) that watches a GL program from inside
// without changing what it does: it timestamps every presented frame, the
// start-up notice and every key press the program reads, and writes one line
// per event to the file named by DV_SHIM_LOG.
//
// Lines, times in nanoseconds of CLOCK_REALTIME (so that they compare with
// times taken by the benchmark script in other processes):
//   start T                 the library was loaded (the program is starting)
//   notice_shown T          a message box is about to be shown
//   notice_closed T         the message box was dismissed
//   key T N SYM             the program read a key press SYM (an SDL key
//                           code) after N frames had been presented
//   window_created T ID TITLE
//                           an SDL window was created; ID is SDL's window
//                           id, TITLE the rest of the line, blanks and all
//   window_shown T ID       SDL_ShowWindow returned for window ID (on X11 it
//                           waits for the server to map the window)
//   context_created T ID    an SDL GL context was created on window ID
//   context_deleted T       an SDL GL context was deleted
//   events T CALLS NS       at exit: the program read events (SDL_PollEvent,
//                           SDL_PumpEvents, SDL_PeepEvents) CALLS times and
//                           spent NS nanoseconds in those calls in all
//   swap T N [R G B ...]    frame N (from 1) was presented; T is when the
//                           swap call returned. With DV_SHIM_PROBE="x,y" or
//                           "x1,y1,x2,y2" the colours of those pixels of the
//                           frame are added, read from the window's back
//                           buffer just before the swap (lower-left origin).
//
// Wrapped: SDL_GL_SwapWindow (SDL programs), glXSwapBuffers (programs that
// call GLX themselves), SDL_PollEvent, SDL_ShowSimpleMessageBox,
// SDL_CreateWindow, SDL_ShowWindow, SDL_GL_CreateContext,
// SDL_GL_DeleteContext, and timed
// only, SDL_PumpEvents and SDL_PeepEvents.
#include <dlfcn.h>
#include <time.h>

#include <cstdio>
#include <cstdlib>

#include <GL/gl.h>
#include <GL/glx.h>
#include <SDL2/SDL.h>

namespace {

FILE *logFile = nullptr;
bool logOpened = false;
unsigned long swapCount = 0;
int probes = 0;
int probeX[2] = {0, 0}, probeY[2] = {0, 0};
thread_local bool inSdlSwap = false;
unsigned long pollCalls = 0;
long long pollNs = 0;

long long NowNs(clockid_t clock = CLOCK_REALTIME)
{
    timespec ts;
    clock_gettime(clock, &ts);
    return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

FILE *Log()
{
    if (!logOpened) {
        logOpened = true;
        const char *path = std::getenv("DV_SHIM_LOG");
        if (path != nullptr && *path != '\0') {
            logFile = std::fopen(path, "a");
            // Frames are buffered (a syscall per frame would slow the loop
            // being measured); everything else is flushed at once.
            if (logFile != nullptr)
                std::setvbuf(logFile, nullptr, _IOFBF, 1 << 16);
        }
        const char *where = std::getenv("DV_SHIM_PROBE");
        if (where != nullptr) {
            int n = std::sscanf(where, "%d,%d,%d,%d", &probeX[0], &probeY[0], &probeX[1], &probeY[1]);
            probes = n >= 4 ? 2 : n >= 2 ? 1 : 0;
        }
    }
    return logFile;
}

void Event(const char *what)
{
    if (FILE *f = Log()) {
        std::fprintf(f, "%s %lld\n", what, NowNs());
        std::fflush(f);
    }
}

typedef void (*BindFramebufferFn)(GLenum, GLuint);

// Called around the real swap of either kind: reads the probed pixels of the
// frame about to be presented, from the window's own back buffer even if the
// program has a framebuffer object of its own bound.
void BeforeSwap(unsigned char rgb[6])
{
    if (probes == 0 || Log() == nullptr)
        return;
    static auto bind = reinterpret_cast<BindFramebufferFn>(
        glXGetProcAddressARB(reinterpret_cast<const GLubyte *>("glBindFramebuffer")));
    const GLenum readFramebuffer = 0x8CA8, readFramebufferBinding = 0x8CAA;
    GLint oldFramebuffer = 0, oldReadBuffer = GL_BACK, oldAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &oldAlignment);
    glGetIntegerv(GL_READ_BUFFER, &oldReadBuffer);
    if (bind != nullptr) {
        glGetIntegerv(readFramebufferBinding, &oldFramebuffer);
        if (glGetError() != GL_NO_ERROR)
            oldFramebuffer = 0;
        if (oldFramebuffer != 0)
            bind(readFramebuffer, 0);
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    for (int i = 0; i < probes; i++) {
        unsigned char p[4] = {0, 0, 0, 0};
        glReadPixels(probeX[i], probeY[i], 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
        rgb[3 * i] = p[0];
        rgb[3 * i + 1] = p[1];
        rgb[3 * i + 2] = p[2];
    }
    glPixelStorei(GL_PACK_ALIGNMENT, oldAlignment);
    if (oldFramebuffer != 0)
        bind(readFramebuffer, static_cast<GLuint>(oldFramebuffer));
    glReadBuffer(static_cast<GLenum>(oldReadBuffer));
}

void AfterSwap(const unsigned char rgb[6])
{
    long long t = NowNs();
    ++swapCount;
    if (FILE *f = Log()) {
        std::fprintf(f, "swap %lld %lu", t, swapCount);
        for (int i = 0; i < 3 * probes; i++)
            std::fprintf(f, " %d", rgb[i]);
        std::fputc('\n', f);
        // The first frames matter for start-up even if the program is
        // ended abruptly later; probed frames are slow anyway, and a
        // program that draws only on demand may never fill the buffer.
        if (swapCount <= 3 || probes > 0)
            std::fflush(f);
    }
}

template <typename F> F Next(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

__attribute__((constructor)) void Loaded()
{
    Event("start");
}

__attribute__((destructor)) void Unloaded()
{
    if (pollCalls > 0 && Log() != nullptr)
        std::fprintf(logFile, "events %lld %lu %lld\n", NowNs(), pollCalls, pollNs);
    if (logFile != nullptr)
        std::fflush(logFile);
}

// SDL's id of a window, 0 for none. Looked up like the wrapped calls, since
// the library itself does not link SDL (programs without it load it too).
unsigned WindowId(SDL_Window *window)
{
    static auto real = Next<Uint32 (*)(SDL_Window *)>("SDL_GetWindowID");
    return window != nullptr && real != nullptr ? real(window) : 0;
}

// Times a call that reads events: the cost of the program's message loop.
template <typename F> auto TimedEventRead(F call)
{
    long long before = NowNs(CLOCK_MONOTONIC);
    auto result = call();
    pollNs += NowNs(CLOCK_MONOTONIC) - before;
    ++pollCalls;
    return result;
}

} // namespace

extern "C" {

void SDL_GL_SwapWindow(SDL_Window *window)
{
    static auto real = Next<void (*)(SDL_Window *)>("SDL_GL_SwapWindow");
    unsigned char rgb[6] = {0, 0, 0, 0, 0, 0};
    BeforeSwap(rgb);
    inSdlSwap = true;
    real(window);
    inSdlSwap = false;
    AfterSwap(rgb);
}

void glXSwapBuffers(Display *display, GLXDrawable drawable)
{
    static auto real = Next<void (*)(Display *, GLXDrawable)>("glXSwapBuffers");
    if (inSdlSwap) {
        real(display, drawable);
        return;
    }
    unsigned char rgb[6] = {0, 0, 0, 0, 0, 0};
    BeforeSwap(rgb);
    real(display, drawable);
    AfterSwap(rgb);
}

void SDL_PumpEvents(void)
{
    static auto real = Next<void (*)(void)>("SDL_PumpEvents");
    TimedEventRead([] {
        real();
        return 0;
    });
}

int SDL_PeepEvents(SDL_Event *events, int count, SDL_eventaction action, Uint32 minType, Uint32 maxType)
{
    static auto real = Next<int (*)(SDL_Event *, int, SDL_eventaction, Uint32, Uint32)>("SDL_PeepEvents");
    return TimedEventRead([&] { return real(events, count, action, minType, maxType); });
}

int SDL_PollEvent(SDL_Event *event)
{
    static auto real = Next<int (*)(SDL_Event *)>("SDL_PollEvent");
    int result = TimedEventRead([&] { return real(event); });
    if (result != 0 && event != nullptr && event->type == SDL_KEYDOWN && !event->key.repeat) {
        if (FILE *f = Log()) {
            std::fprintf(f, "key %lld %lu %d\n", NowNs(), swapCount, static_cast<int>(event->key.keysym.sym));
            std::fflush(f);
        }
    }
    return result;
}

int SDL_ShowSimpleMessageBox(Uint32 flags, const char *title, const char *message, SDL_Window *window)
{
    static auto real = Next<int (*)(Uint32, const char *, const char *, SDL_Window *)>("SDL_ShowSimpleMessageBox");
    Event("notice_shown");
    int result = real(flags, title, message, window);
    Event("notice_closed");
    return result;
}

SDL_Window *SDL_CreateWindow(const char *title, int x, int y, int w, int h, Uint32 flags)
{
    static auto real = Next<SDL_Window *(*)(const char *, int, int, int, int, Uint32)>("SDL_CreateWindow");
    SDL_Window *window = real(title, x, y, w, h, flags);
    if (FILE *f = Log()) {
        std::fprintf(f, "window_created %lld %u %s\n", NowNs(), WindowId(window),
                     title != nullptr ? title : "");
        std::fflush(f);
    }
    return window;
}

void SDL_ShowWindow(SDL_Window *window)
{
    static auto real = Next<void (*)(SDL_Window *)>("SDL_ShowWindow");
    real(window);
    if (FILE *f = Log()) {
        std::fprintf(f, "window_shown %lld %u\n", NowNs(), WindowId(window));
        std::fflush(f);
    }
}

SDL_GLContext SDL_GL_CreateContext(SDL_Window *window)
{
    static auto real = Next<SDL_GLContext (*)(SDL_Window *)>("SDL_GL_CreateContext");
    SDL_GLContext context = real(window);
    if (FILE *f = Log(); f != nullptr && context != nullptr) {
        std::fprintf(f, "context_created %lld %u\n", NowNs(), WindowId(window));
        std::fflush(f);
    }
    return context;
}

void SDL_GL_DeleteContext(SDL_GLContext context)
{
    static auto real = Next<void (*)(SDL_GLContext)>("SDL_GL_DeleteContext");
    real(context);
    if (context != nullptr)
        Event("context_deleted");
}

} // extern "C"
