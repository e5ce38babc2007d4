# Builds the show for the browser with Debian's Emscripten: WebAssembly and WebGL2 through the
# system's own toolchain file. emcc runs on Debian's Python and finds Debian's node modules, at
# configure time here and at build time through the launchers.
set(OXBRINE_EMSCRIPTEN_ENV EMSDK_PYTHON=/usr/bin/python3 NODE_PATH=/usr/share/nodejs)
set(ENV{EMSDK_PYTHON} /usr/bin/python3)
set(ENV{NODE_PATH} /usr/share/nodejs)
set(CMAKE_C_COMPILER_LAUNCHER env ${OXBRINE_EMSCRIPTEN_ENV})
set(CMAKE_CXX_COMPILER_LAUNCHER env ${OXBRINE_EMSCRIPTEN_ENV})
set(CMAKE_C_LINKER_LAUNCHER env ${OXBRINE_EMSCRIPTEN_ENV})
set(CMAKE_CXX_LINKER_LAUNCHER env ${OXBRINE_EMSCRIPTEN_ENV})
include(/usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
