# The show's engine, the same sources on every platform: framework, scenes, post passes and the
# director (not src/Main.cpp, the desktop entry point), over the platform's library oxplatform.
file(GLOB OXBRINE_ENGINE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/*.cpp
     ${CMAKE_SOURCE_DIR}/effects/*.cpp ${CMAKE_SOURCE_DIR}/post/*.cpp ${CMAKE_SOURCE_DIR}/Demo.cpp)
list(FILTER OXBRINE_ENGINE_SOURCES EXCLUDE REGEX "/src/Main\\.cpp$")
add_library(oxengine STATIC ${OXBRINE_ENGINE_SOURCES})
target_include_directories(oxengine PUBLIC ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/src
                                           ${CMAKE_SOURCE_DIR}/effects ${CMAKE_SOURCE_DIR}/post)
target_link_libraries(oxengine PUBLIC oxplatform)
# The one version number, read by every program through Version.h.
set_source_files_properties(${CMAKE_SOURCE_DIR}/src/Version.cpp PROPERTIES
                            COMPILE_DEFINITIONS OXBRINE_VERSION="${PROJECT_VERSION}")
