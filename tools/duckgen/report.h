// What the generator tells as it goes, and how it gives up.
#ifndef DUCKVIEW_TOOLS_DUCKGEN_REPORT_H
#define DUCKVIEW_TOOLS_DUCKGEN_REPORT_H

namespace duckgen {

// Progress notes on stderr, unless quiet.
struct Log {
    bool quiet;
    void operator()(const char *format, ...) const __attribute__((format(printf, 2, 3)));
};

// Says "duckgen: " and the message on stderr and ends the program with
// exit code 1: a step could not build what it must.
[[noreturn]] void Fail(const char *format, ...) __attribute__((format(printf, 1, 2)));

} // namespace duckgen

#endif // DUCKVIEW_TOOLS_DUCKGEN_REPORT_H
