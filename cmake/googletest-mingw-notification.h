// GoogleTest under MinGW's win32 thread model, which has neither std::mutex
// nor std::condition_variable, the two that GoogleTest's Notification is
// built on. Force-included before anything else: every file that includes
// GoogleTest sees it declared, and GoogleTest's own sources (where its
// thread helpers use it) get it as a Win32 event.
#ifndef DUCKVIEW_GOOGLETEST_MINGW_NOTIFICATION_H
#define DUCKVIEW_GOOGLETEST_MINGW_NOTIFICATION_H

#define GTEST_HAS_NOTIFICATION_ 1

namespace testing {
namespace internal {

class Notification;

} // namespace internal
} // namespace testing

#ifdef DUCKVIEW_GOOGLETEST_NOTIFICATION_DEFINITION
#include <windows.h>

namespace testing {
namespace internal {

// Lets a controller thread hold new threads until it says they may start.
class Notification {
public:
    Notification() : event_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
    ~Notification() { CloseHandle(event_); }
    Notification(const Notification &) = delete;
    Notification &operator=(const Notification &) = delete;

    void Notify() { SetEvent(event_); }
    void WaitForNotification() { WaitForSingleObject(event_, INFINITE); }

private:
    HANDLE event_;
};

} // namespace internal
} // namespace testing
#endif

#endif // DUCKVIEW_GOOGLETEST_MINGW_NOTIFICATION_H
