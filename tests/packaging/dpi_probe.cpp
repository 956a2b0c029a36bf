// Built for Windows with the program's manifest, and run under Wine: prints
// what the system made of that manifest, one "name=value" a line.
#include <windows.h>

#include <cstdio>

namespace {

// DPI_AWARENESS_CONTEXT and the functions on it are Windows 10 1607's;
// looked up at run time so that older systems and headers do without them.
typedef HANDLE(WINAPI *GetContextFn)(void);
typedef int(WINAPI *AwarenessFn)(HANDLE);
typedef BOOL(WINAPI *EqualFn)(HANDLE, HANDLE);

struct DllVersion {
    DWORD size, major, minor, build, platform;
};
typedef HRESULT(CALLBACK *DllGetVersionFn)(DllVersion *);

} // namespace

int main()
{
    printf("IsProcessDPIAware=%d\n", IsProcessDPIAware() ? 1 : 0);

    HMODULE user32 = GetModuleHandleA("user32.dll");
    GetContextFn getContext = (GetContextFn)(void *)GetProcAddress(user32, "GetThreadDpiAwarenessContext");
    AwarenessFn awareness = (AwarenessFn)(void *)GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext");
    EqualFn equal = (EqualFn)(void *)GetProcAddress(user32, "AreDpiAwarenessContextsEqual");
    if (getContext && awareness && equal) {
        HANDLE context = getContext();
        // 0 unaware, 1 system aware, 2 per-monitor aware.
        printf("ThreadDpiAwareness=%d\n", awareness(context));
        printf("PerMonitorAwareV2=%d\n", equal(context, (HANDLE)(LONG_PTR)-4) ? 1 : 0);
    }

    // The manifest's activation context decides which comctl32 loads:
    // version 6 lives in the side-by-side store (WinSxS), not in system32.
    HMODULE comctl = LoadLibraryA("comctl32.dll");
    DllGetVersionFn getVersion = comctl ? (DllGetVersionFn)(void *)GetProcAddress(comctl, "DllGetVersion") : nullptr;
    DllVersion version = {sizeof version, 0, 0, 0, 0};
    if (getVersion && getVersion(&version) == S_OK)
        printf("CommonControlsVersion=%lu.%lu\n", (unsigned long)version.major, (unsigned long)version.minor);
    char path[MAX_PATH] = "";
    if (comctl && GetModuleFileNameA(comctl, path, sizeof path))
        printf("CommonControlsPath=%s\n", path);
    return 0;
}
