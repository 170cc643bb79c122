# Benchmarks of the resample family.
vek_add_bench(bench_resample ${CMAKE_CURRENT_LIST_DIR}/resample_bench.cpp)
