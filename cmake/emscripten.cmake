# SPDX-License-Identifier: GPL-3.0-or-later
# What the WebAssembly build (Debian's emscripten, `emcmake cmake`) needs beyond the native one.
# The header-only libraries come from Debian's own headers, and only they: each in an include
# folder of its own, since the whole of /usr/include would bring the host's C library headers
# into the WebAssembly build.

# The faults travel as C++ exceptions, which emscripten leaves uncaught unless asked.
add_compile_options(-fexceptions)
add_link_options(-fexceptions)

set(TARVO_WEB_INCLUDES ${CMAKE_BINARY_DIR}/include)
file(MAKE_DIRECTORY ${TARVO_WEB_INCLUDES})
foreach(library fast_float fmt CLI nlohmann)
    if(NOT EXISTS /usr/include/${library})
        message(FATAL_ERROR "/usr/include/${library} is missing: run scripts/web-deps")
    endif()
    file(CREATE_LINK /usr/include/${library} ${TARVO_WEB_INCLUDES}/${library} SYMBOLIC)
endforeach()
foreach(target FastFloat::fast_float fmt::fmt-header-only CLI11::CLI11 nlohmann_json::nlohmann_json)
    add_library(${target} INTERFACE IMPORTED)
    target_include_directories(${target} SYSTEM INTERFACE ${TARVO_WEB_INCLUDES})
endforeach()
target_compile_definitions(fmt::fmt-header-only INTERFACE FMT_HEADER_ONLY=1)
