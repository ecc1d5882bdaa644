# The Boost.Serialization side of bench_pstream_bench is built only when
# Boost is installed; it is a benchmark-only dependency.
find_package(Boost COMPONENTS serialization QUIET)
if(Boost_FOUND)
  target_link_libraries(bench_pstream_bench PRIVATE Boost::serialization)
  target_compile_definitions(bench_pstream_bench PRIVATE VYX_BENCH_HAVE_BOOST=1)
else()
  message(STATUS "Boost.Serialization not found: bench_pstream_bench runs without its peer")
endif()
