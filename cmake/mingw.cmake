# Cross-compiles a Windows program with Debian's MinGW-w64, linked statically so
# it needs no MinGW DLL. MINGW_ARCH picks the processor: "i686" for the program
# that ships, a 32-bit one; "x86_64" for a 64-bit build of the same sources, which
# runs the Windows tests where the 32-bit one cannot run under Wine here (see
# scripts/lib/machine.sh). MINGW_THREADS picks the compilers' thread model:
# "win32" for the program, which is single-threaded and so needs no winpthread;
# "posix" for the tests, because GoogleTest needs std::mutex.
# Test executables run through Wine.
if(NOT DEFINED MINGW_ARCH)
    set(MINGW_ARCH i686)
endif()
if(NOT DEFINED MINGW_THREADS)
    set(MINGW_THREADS win32)
endif()

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${MINGW_ARCH})

set(CMAKE_C_COMPILER ${MINGW_ARCH}-w64-mingw32-gcc-${MINGW_THREADS})
set(CMAKE_CXX_COMPILER ${MINGW_ARCH}-w64-mingw32-g++-${MINGW_THREADS})
set(CMAKE_RC_COMPILER ${MINGW_ARCH}-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_ARCH}-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec.sh)
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MINGW_ARCH MINGW_THREADS)
