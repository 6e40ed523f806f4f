# Cross build for 64-bit Windows with Debian's mingw-w64 (POSIX thread model).
#
# Everything is linked statically against the compiler's runtime (libgcc,
# libstdc++, winpthread), so the products import only DLLs that Windows itself
# ships. Test programs run under Wine through CTest's cross-compiling emulator.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(EVENHUE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${EVENHUE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${EVENHUE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${EVENHUE_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${EVENHUE_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -static makes the linker take libwinpthread's archive as well, so no
# libstdc++-6.dll, libgcc_s_seh-1.dll or libwinpthread-1.dll is needed at run time.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Programs run under Wine in a prefix of the build's own (scripts/wine-test
# says how it is started and stopped).
set(EVENHUE_WINE_PREFIX ${CMAKE_BINARY_DIR}/wine-prefix)
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-test run ${EVENHUE_WINE_PREFIX})
