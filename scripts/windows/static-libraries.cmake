# Included after project() by the MinGW toolchain: libraries are found as static archives only.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
# And the compiler's own run-time (libgcc, libstdc++, winpthread) goes into each program too, so
# that nothing but Windows' own DLLs need lie beside it.
add_link_options(-static)
