# Build for the web browser with Debian's Emscripten: WebAssembly and
# JavaScript beside a page of our own (src/platform/web).
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)

# Emscripten runs node to optimise the JavaScript it writes, with modules
# (acorn) that Debian installs under /usr/share/nodejs; a node that is not
# Debian's own does not look there.
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
