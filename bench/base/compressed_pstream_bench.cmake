# zlib is the peer of the compressed pstreams: a benchmark-only dependency
# (Debian: zlib1g-dev). Without it this benchmark is left out of the build.
find_package(ZLIB QUIET)
if(ZLIB_FOUND)
  target_link_libraries(bench_${name} PRIVATE ZLIB::ZLIB)
else()
  message(STATUS "zlib not found: bench_${name} is not built")
  set_target_properties(bench_${name} PROPERTIES EXCLUDE_FROM_ALL TRUE)
endif()
