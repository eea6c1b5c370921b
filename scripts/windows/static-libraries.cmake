# Included after project() by the MinGW toolchain: libraries are found as static archives only,
# and every program is linked with the C and C++ run-times inside, so that it needs no MinGW
# library beside it (libgcc_s_seh-1.dll, libstdc++-6.dll, libwinpthread-1.dll).
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
add_link_options(-static)
