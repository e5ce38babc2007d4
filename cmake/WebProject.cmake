# With OXBRINE_WEB on, the host build also builds the show for the browser: Emscripten as an
# external project (cmake/WebBuild.cmake) from this build's generated content, writing the static
# folder web/ that tests/web serves to headless Chromium.
option(OXBRINE_WEB "Build the show for the browser with Emscripten and test it in headless Chromium"
       OFF)
if(OXBRINE_WEB)
    find_program(EMSCRIPTEN_CXX em++)
    if(NOT EMSCRIPTEN_CXX OR NOT EXISTS /usr/share/emscripten/cmake/Modules/Platform/Emscripten.cmake)
        message(FATAL_ERROR "OXBRINE_WEB needs Debian's emscripten: run scripts/setup.sh")
    endif()
    include(ExternalProject)
    set(OXBRINE_WEB_BUILD_DIR ${CMAKE_BINARY_DIR}/web-build)
    ExternalProject_Add(oxbrine_web
        SOURCE_DIR ${CMAKE_SOURCE_DIR}
        BINARY_DIR ${OXBRINE_WEB_BUILD_DIR}
        CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/emscripten.cmake
                   -DCMAKE_BUILD_TYPE=Release -DOXBRINE_TESTS=OFF
                   -DOXBRINE_HOST_DATA_DIR=${OXBRINE_DATA_DIR}
                   -DOXBRINE_WEB_DIR=${CMAKE_BINARY_DIR}/web
        BUILD_COMMAND ${CMAKE_COMMAND} --build ${OXBRINE_WEB_BUILD_DIR} -j2
        INSTALL_COMMAND ""
        BUILD_ALWAYS ON
        DEPENDS data content)
endif()
