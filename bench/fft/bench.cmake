# Benchmarks of the fft family.
vek_add_bench(bench_fft ${CMAKE_CURRENT_LIST_DIR}/fft_bench.cpp)
