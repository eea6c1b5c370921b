# Included after project() by the MinGW toolchain: libraries are found as static archives only.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
