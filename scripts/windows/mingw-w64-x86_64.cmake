# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (the POSIX thread model, which Qt's
# threads and C++11 std::thread need).
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)

# Libraries and headers come from the MinGW sysroot and the folders given in CMAKE_PREFIX_PATH
# (the Qt and libxlsxwriter built for Windows), pkg-config's .pc files from there too; programs
# run during the build are the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${CMAKE_PREFIX_PATH})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} /usr/${triple}/lib/pkgconfig)
# Everything is linked statically, so the program is one .exe: static archives only, never the
# import libraries of DLLs (zlib's libz.dll.a beside libz.a). Set after project(), as the
# platform's own settings would replace it before.
set(CMAKE_PROJECT_INCLUDE ${CMAKE_CURRENT_LIST_DIR}/static-libraries.cmake)

# Test executables run under Wine, in a Wine prefix of the build's own.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)
