# zlib (crc32) is a peer: the same benchmark-only link as the Flate device's.
include(${CMAKE_CURRENT_LIST_DIR}/flate_bench.cmake)
