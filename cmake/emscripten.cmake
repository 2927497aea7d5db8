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

# nec2c and NLopt from Debian's source packages, which scripts/web-deps unpacks (with Debian's
# patches) into the build folder; neither is changed.
set(TARVO_DEBIAN_SOURCES "${CMAKE_BINARY_DIR}/debian-src"
    CACHE PATH "Where scripts/web-deps unpacked the source packages nec2c and nlopt")
foreach(package nec2c nlopt)
    if(NOT EXISTS "${TARVO_DEBIAN_SOURCES}/${package}/.unpacked")
        message(FATAL_ERROR "${TARVO_DEBIAN_SOURCES}/${package} is missing: run scripts/web-deps")
    endif()
endforeach()
enable_language(C)

# NLopt as a static library of its C algorithms (COBYLA, BOBYQA, Sbplx are among them) and its
# C++ header; no bindings, no tests.
set(BUILD_SHARED_LIBS OFF)
foreach(binding CXX FORTRAN PYTHON OCTAVE MATLAB GUILE SWIG TESTS)
    set(NLOPT_${binding} OFF CACHE BOOL "" FORCE)
endforeach()
add_subdirectory(${TARVO_DEBIAN_SOURCES}/nlopt ${CMAKE_BINARY_DIR}/nlopt EXCLUDE_FROM_ALL SYSTEM)
add_library(NLopt::nlopt ALIAS nlopt)

# nec2c as a module of its own, a fresh instance for every run (it keeps its state in globals):
# createNec2c() in nec2c.js, with nec2c.wasm beside it. Built as Debian builds it, -O2 and
# nec2c's own arithmetic.
file(GLOB tarvo_nec2c_sources ${TARVO_DEBIAN_SOURCES}/nec2c/*.c)
add_executable(nec2c ${tarvo_nec2c_sources})
target_compile_options(nec2c PRIVATE -O2 -w)
target_compile_definitions(nec2c PRIVATE "PACKAGE_STRING=\"nec2c 1.3\"")
target_link_options(nec2c PRIVATE -O2 -sMODULARIZE=1 -sEXPORT_NAME=createNec2c
                    -sENVIRONMENT=node,worker -sWASM_ASYNC_COMPILATION=0 -sALLOW_MEMORY_GROWTH=1
                    -sINVOKE_RUN=0 -sEXIT_RUNTIME=1 -sEXPORTED_RUNTIME_METHODS=FS,callMain)
set_target_properties(nec2c PROPERTIES SUFFIX ".js" RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
