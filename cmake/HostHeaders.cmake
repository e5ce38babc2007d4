# GLM and stb are header-only Debian packages under /usr/include; the cross builds see just those
# two folders through OXBRINE_HOST_HEADERS, never the host's system headers.
set(OXBRINE_HOST_HEADERS ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${OXBRINE_HOST_HEADERS})
foreach(library glm stb)
    if(NOT EXISTS /usr/include/${library})
        message(FATAL_ERROR "/usr/include/${library} is missing: run scripts/setup.sh")
    endif()
    file(CREATE_LINK /usr/include/${library} ${OXBRINE_HOST_HEADERS}/${library} SYMBOLIC)
endforeach()
