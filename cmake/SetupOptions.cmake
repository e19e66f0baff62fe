# Compiler flags shared by every target of the project.
add_library(setup_options INTERFACE)
target_compile_options(setup_options INTERFACE -Wall -Wextra -Wshadow -Wnon-virtual-dtor)
if(SETUP_WERROR)
    target_compile_options(setup_options INTERFACE -Werror)
endif()

if(SETUP_SANITIZE)
    set(sanitize_flags -fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=all)
    target_compile_options(setup_options INTERFACE ${sanitize_flags})
    target_link_options(setup_options INTERFACE ${sanitize_flags})
endif()

if(SETUP_FUZZ)
    # The fuzz preset builds everything with the fuzzer's coverage instrumentation and the
    # sanitizers, so the fuzz targets see inside the libraries and every program still links.
    target_compile_options(setup_options INTERFACE -fsanitize=fuzzer-no-link,address,undefined
                                                   -fno-sanitize-recover=all)
    target_link_options(setup_options INTERFACE -fsanitize=address,undefined)
endif()

if(WIN32)
    # 8-bit (ANSI) Windows API throughout; no mingw DLLs needed beside the programs.
    target_compile_definitions(setup_options INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX
                                                       _WIN32_WINNT=0x0601 WINVER=0x0601)
    target_link_options(setup_options INTERFACE -static -static-libgcc -static-libstdc++)
    # Built for size, every Windows build alike (the tests run the same code as the release):
    # each function and datum in a section of its own, so that the linker drops what no
    # program reaches.
    target_compile_options(setup_options INTERFACE -Os -ffunction-sections)
    target_link_options(setup_options INTERFACE -Wl,--gc-sections)
    # The PE linker keeps every function the unwind tables point to, so --gc-sections alone
    # drops nothing; link-time optimisation does. Objects carry both the optimiser's form and
    # plain code: a shipped program (SETUP_WHOLE_PROGRAM) is optimised as a whole, in one
    # partition (gcc 12 fails on this code with several), and every other program links the
    # plain code, so the many test programs link fast.
    target_compile_options(setup_options INTERFACE -flto -ffat-lto-objects)
    # No run-time type information (its type names and the library's dynamic-cast code are
    # about 10 KB of the setup program): the code tells classes apart by virtual functions.
    # Exceptions still carry their types. For every Windows target, GoogleTest's too, so
    # that no program mixes objects built with and without it.
    add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fno-rtti>)
    # 32-bit Windows keeps its stack 4-byte aligned: padding every frame to 16 bytes only
    # costs code (about 1.5 KB of the setup program). The compiler still realigns a frame
    # that holds data needing more. The 64-bit ABI fixes 16 bytes.
    if(CMAKE_SYSTEM_PROCESSOR STREQUAL "i686")
        target_compile_options(setup_options INTERFACE -mpreferred-stack-boundary=2)
        target_link_options(setup_options INTERFACE -mpreferred-stack-boundary=2)
    endif()
    set(whole_program "$<BOOL:$<TARGET_PROPERTY:SETUP_WHOLE_PROGRAM>>")
    target_link_options(setup_options INTERFACE "$<${whole_program}:-flto;-flto-partition=one>"
                                                "$<$<NOT:${whole_program}>:-fno-lto>")
endif()

# Folder libraries include from src/, as in #include "support/FilePath.h".
target_include_directories(setup_options INTERFACE ${PROJECT_SOURCE_DIR}/src)
