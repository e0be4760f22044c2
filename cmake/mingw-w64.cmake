# Cross-compiling the Windows module (x86-64) with Debian's mingw-w64 (the
# -posix thread model, for std::thread and std::mutex). Everything links
# statically, so qorvsdk.dll and the programs need no MinGW runtime DLLs.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(QORV_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${QORV_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QORV_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${QORV_MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${QORV_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# zlib from libz-mingw-w64-dev: its static archive, not the zlib1.dll import library.
set(ZLIB_USE_STATIC_LIBS ON)
