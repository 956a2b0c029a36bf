// A test-only shim that the robustness tests preload (LD_PRELOAD) into the
// real program: SDL makes no window at all, so the program's
// CreateWindowExA fails as it would wherever no window can be had. Never
// part of the shipped program.
#include <dlfcn.h>

extern "C" void *SDL_CreateWindow(const char *, int, int, int, int, unsigned int)
{
    // SDL's own error, which the back end reports, says why.
    using SetError = int (*)(const char *, ...);
    if (auto setError = reinterpret_cast<SetError>(dlsym(RTLD_DEFAULT, "SDL_SetError")))
        setError("no window can be made here (test shim)");
    return nullptr;
}
