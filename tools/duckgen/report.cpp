#include "report.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

namespace duckgen {

void Log::operator()(const char *format, ...) const
{
    if (quiet)
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
}

void Fail(const char *format, ...)
{
    std::fputs("duckgen: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    std::exit(1);
}

} // namespace duckgen
