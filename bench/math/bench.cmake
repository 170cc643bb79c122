# Benchmarks of the math family.
vek_add_bench(bench_math ${CMAKE_CURRENT_LIST_DIR}/convolution_bench.cpp)
