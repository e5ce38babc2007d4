# The show for Windows, cross-built with MinGW-w64: the Win32 platform layer instead of the Linux
# one, the runtime linked in, and the content taken ready-made from a host build (the content tools
# are host programs). Tests and the offline renderer stay on the host.
set(OXBRINE_HOST_DATA_DIR "" CACHE PATH "A host build's run/Data folder with the generated content")

set(OXBRINE_RUN_DIR ${CMAKE_BINARY_DIR}/run)
set(OXBRINE_DATA_DIR ${OXBRINE_RUN_DIR}/Data)
file(MAKE_DIRECTORY ${OXBRINE_DATA_DIR})

include(${CMAKE_CURRENT_LIST_DIR}/HostHeaders.cmake)

add_library(kem INTERFACE)
target_include_directories(kem INTERFACE ${CMAKE_SOURCE_DIR}/kem/include)

# The sound layer's portable half; decoding and output come from platform/win32.
set(OXBRINE_PORTABLE_SOUND Channel HeardClock PacedOutput SoundControl System)
list(TRANSFORM OXBRINE_PORTABLE_SOUND PREPEND ${CMAKE_SOURCE_DIR}/platform/sound/)
list(TRANSFORM OXBRINE_PORTABLE_SOUND APPEND .cpp)
file(GLOB OXBRINE_WIN32_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/platform/win32/*.cpp)
add_library(oxplatform STATIC ${OXBRINE_WIN32_SOURCES} ${OXBRINE_PORTABLE_SOUND})
target_include_directories(oxplatform PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/src)
target_include_directories(oxplatform SYSTEM PUBLIC ${OXBRINE_HOST_HEADERS})
target_compile_definitions(oxplatform PUBLIC WIN32_LEAN_AND_MEAN NOMINMAX _USE_MATH_DEFINES)
target_link_libraries(oxplatform PUBLIC kem opengl32 glu32 gdi32 user32 winmm msacm32)

include(${CMAKE_SOURCE_DIR}/cmake/EngineLibrary.cmake)

# Hand-written data first, then the host build's generated content over it.
add_custom_target(data ALL
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${CMAKE_SOURCE_DIR}/Data ${OXBRINE_DATA_DIR}
    COMMENT "Copying Data/ into the runnable folder")
if(OXBRINE_HOST_DATA_DIR)
    add_custom_command(TARGET data POST_BUILD
        COMMAND ${CMAKE_COMMAND} -E copy_directory ${OXBRINE_HOST_DATA_DIR} ${OXBRINE_DATA_DIR}
        COMMENT "Copying the host build's generated content")
else()
    message(WARNING "OXBRINE_HOST_DATA_DIR is not set: the show will lack its generated content")
endif()

# main() in a GUI-subsystem program: MinGW's startup code calls it, no console window opens.
# The setup dialog and the manifest come from the resource script.
add_executable(oxbrine ${CMAKE_SOURCE_DIR}/src/Main.cpp ${CMAKE_SOURCE_DIR}/platform/win32/Resources.rc)
target_link_libraries(oxbrine PRIVATE oxengine)
target_link_options(oxbrine PRIVATE -mwindows -static -static-libgcc -static-libstdc++)
set_target_properties(oxbrine PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${OXBRINE_RUN_DIR})
add_dependencies(oxbrine data)

# A small decoder front end that the host's tests run under Wine to check the MP3 stream.
add_executable(oxbrine-mp3probe ${CMAKE_SOURCE_DIR}/tests/windows/probe/Mp3Probe.cpp)
target_link_libraries(oxbrine-mp3probe PRIVATE oxplatform)
target_link_options(oxbrine-mp3probe PRIVATE -static -static-libgcc -static-libstdc++)
set_target_properties(oxbrine-mp3probe PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${OXBRINE_RUN_DIR})
