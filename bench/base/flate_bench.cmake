# zlib is the peer of the Flate-coded device: benchmark-only dependency.
find_package(ZLIB REQUIRED)
target_link_libraries(bench_${name} PRIVATE ZLIB::ZLIB)
