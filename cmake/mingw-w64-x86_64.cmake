# Cross build for 64-bit Windows with Debian's mingw-w64 (posix thread model,
# so that std::thread and std::mutex work). The result must run on a Windows
# machine that has only the system DLLs: the C++ runtime and winpthread are
# linked in statically.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(FENDRIX_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${FENDRIX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FENDRIX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${FENDRIX_MINGW_TRIPLE}-windres)

# Only the cross toolchain's own folder is searched for libraries and
# headers: the build machine's /usr/include must never leak in.
set(CMAKE_FIND_ROOT_PATH /usr/${FENDRIX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -static takes libwinpthread's static archive as well as libstdc++ and
# libgcc, so no mingw DLL has to travel with the program.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
