# Cross-build for 32-bit Windows with MinGW-w64.
set(mingw_arch i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
# The test programs run under Wine's 32-bit loader.
set(CMAKE_CROSSCOMPILING_EMULATOR wine)

# Floating-point arithmetic in SSE2 registers, as on every other target:
# the x87 unit computes in the 64-bit precision that MinGW's start-up code
# (fninit) leaves it in, so doubles and floats would not be rounded where
# the program stores them (the window size, the counter's digits and the
# trackball's mapping come out different). Needs a Pentium 4 / Athlon 64 or
# later. The start-up code leaves MXCSR at the system's default (round to
# nearest, no flush to zero); tests/packaging checks the generated code.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
