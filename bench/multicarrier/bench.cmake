# Benchmarks of the multicarrier family.
vek_add_bench(bench_multicarrier ${CMAKE_CURRENT_LIST_DIR}/multicarrier_bench.cpp)
