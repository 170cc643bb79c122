vek_add_bench(bench_coding ${CMAKE_CURRENT_LIST_DIR}/coding_bench.cpp)
