# SPDX-License-Identifier: GPL-3.0-or-later
# Warnings for TARVO's own targets; third-party headers come in as system includes.
function(tarvo_warnings target)
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow)
    if(TARVO_WERROR)
        target_compile_options(${target} PRIVATE -Werror)
    endif()
endfunction()

# The engine's arithmetic is checked through the IEEE exception flags, so the compiler must keep
# every operation where it is written and must not fuse a multiply with an add.
function(tarvo_strict_float target)
    target_compile_options(${target} PRIVATE -ffp-contract=off -fno-fast-math -Wconversion)
    if(EMSCRIPTEN)
        # WebAssembly has no exception flags; the engine checks its operations instead.
    elseif(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        target_compile_options(${target} PRIVATE -ffp-exception-behavior=strict)
    else()
        target_compile_options(${target} PRIVATE -ftrapping-math)
    endif()
endfunction()
