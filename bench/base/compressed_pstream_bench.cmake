# zlib is the peer here too: the same benchmark-only link as the Flate device's.
include(${CMAKE_CURRENT_LIST_DIR}/flate_bench.cmake)
