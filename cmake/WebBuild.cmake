# The show for the browser, built with Emscripten: platform/web instead of platform/linux (the
# canvas with WebGL2 under the GL layer of platform/web/gl, Web Audio under the sound interface),
# the engine's own sources unchanged, the content taken ready-made from a host build and packed
# beside the module. Writes the static folder OXBRINE_WEB_DIR: index.html and its page files,
# oxbrine.js, oxbrine.wasm and oxbrine.data.
set(OXBRINE_HOST_DATA_DIR "" CACHE PATH "A host build's run/Data folder with the generated content")
set(OXBRINE_WEB_DIR ${CMAKE_BINARY_DIR}/web CACHE PATH "Where the static web folder is written")

set(OXBRINE_DATA_DIR ${CMAKE_BINARY_DIR}/Data)
file(MAKE_DIRECTORY ${OXBRINE_DATA_DIR} ${OXBRINE_WEB_DIR})

include(${CMAKE_CURRENT_LIST_DIR}/HostHeaders.cmake)

# C++ exceptions carry every error to the one place that reports it.
add_compile_options(-fexceptions)
add_link_options(-fexceptions)

add_library(kem INTERFACE)
target_include_directories(kem INTERFACE ${CMAKE_SOURCE_DIR}/kem/include)

# The page's platform, its GL layer and sound; the POSIX file reader and the GL entry point store
# serve as they are (Emscripten's file system holds the packed Data/).
file(GLOB OXBRINE_WEB_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/web/*.cpp
     ${CMAKE_SOURCE_DIR}/platform/web/gl/*.cpp ${CMAKE_SOURCE_DIR}/platform/web/sound/*.cpp)
file(GLOB OXBRINE_WEB_JS_LIBRARIES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/web/sound/*.js)
add_library(oxplatform STATIC ${OXBRINE_WEB_SOURCES} ${CMAKE_SOURCE_DIR}/platform/linux/Files.cpp
                              ${CMAKE_SOURCE_DIR}/platform/linux/GLProc.cpp
                              ${CMAKE_SOURCE_DIR}/platform/sound/SoundControl.cpp)
target_include_directories(oxplatform PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/src)
target_include_directories(oxplatform SYSTEM PUBLIC ${OXBRINE_HOST_HEADERS})
target_link_libraries(oxplatform PUBLIC kem)

include(${CMAKE_SOURCE_DIR}/cmake/EngineLibrary.cmake)

# Hand-written data first, then the host build's generated content over it; the stamp tells the
# link that the package must be made again.
set(OXBRINE_DATA_STAMP ${CMAKE_BINARY_DIR}/data.stamp)
set(OXBRINE_COPY_HOST_DATA "")
if(OXBRINE_HOST_DATA_DIR)
    set(OXBRINE_COPY_HOST_DATA COMMAND ${CMAKE_COMMAND} -E copy_directory ${OXBRINE_HOST_DATA_DIR}
                               ${OXBRINE_DATA_DIR})
else()
    message(WARNING "OXBRINE_HOST_DATA_DIR is not set: the show will lack its generated content")
endif()
add_custom_target(data ALL
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/Data ${OXBRINE_DATA_DIR}
    ${OXBRINE_COPY_HOST_DATA}
    COMMAND ${CMAKE_COMMAND} -E touch ${OXBRINE_DATA_STAMP}
    BYPRODUCTS ${OXBRINE_DATA_STAMP}
    COMMENT "Gathering Data/ for the web package")

# The page (index.html and its files) from platform/web/page.
if(EXISTS ${CMAKE_SOURCE_DIR}/platform/web/page)
add_custom_target(page ALL
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/platform/web/page
            ${OXBRINE_WEB_DIR}
    COMMENT "Copying the page")
else()
    add_custom_target(page)
endif()

# The module: no main (the page calls the entry points once the data has loaded), WebGL2 only,
# the data preloaded from oxbrine.data.
add_executable(oxbrine ${CMAKE_SOURCE_DIR}/platform/web/Entry.cpp)
target_link_libraries(oxbrine PRIVATE oxengine)
set(OXBRINE_WEB_LINK_OPTIONS
    --no-entry
    -sENVIRONMENT=web
    -sMIN_WEBGL_VERSION=2
    -sMAX_WEBGL_VERSION=2
    -sALLOW_MEMORY_GROWTH=1
    -sINITIAL_MEMORY=134217728
    -sEXPORTED_FUNCTIONS=_oxbrine_play,_oxbrine_still
    -sEXPORTED_RUNTIME_METHODS=ccall,cwrap
    --preload-file ${OXBRINE_DATA_DIR}@/Data)
foreach(library ${OXBRINE_WEB_JS_LIBRARIES})
    list(APPEND OXBRINE_WEB_LINK_OPTIONS --js-library ${library})
endforeach()
target_link_options(oxbrine PRIVATE ${OXBRINE_WEB_LINK_OPTIONS})
set_target_properties(oxbrine PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${OXBRINE_WEB_DIR} SUFFIX ".js"
                                         LINK_DEPENDS "${OXBRINE_DATA_STAMP};${OXBRINE_WEB_JS_LIBRARIES}")
add_dependencies(oxbrine data page)
