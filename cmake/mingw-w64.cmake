# Builds for 64-bit Windows with Debian's MinGW-w64 compilers (POSIX threads, for std::thread and
# friends) against the static Qt and OpenSSL that scripts/windows-toolchain.sh builds; their folders
# come in CHRONVALE_WINDOWS_PREFIXES. scripts/windows-build.sh passes both.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

# Qt's and OpenSSL's folders next to MinGW's own: Qt's package files look up Windows libraries
# (mpr, netapi32...) in the MinGW tree.
set(CHRONVALE_WINDOWS_PREFIXES "" CACHE STRING "Folders of the Windows builds of Qt and OpenSSL")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES CHRONVALE_WINDOWS_PREFIXES)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${CHRONVALE_WINDOWS_PREFIXES})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(OPENSSL_USE_STATIC_LIBS TRUE)

# Self-contained executables: the C and C++ runtimes and the thread library linked in, no DLL beside them.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)
