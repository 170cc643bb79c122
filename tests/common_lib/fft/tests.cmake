# Tests of the fft family.
vek_add_test(test_fft SOURCES ${CMAKE_CURRENT_LIST_DIR}/fft_test.cpp LIBS vek_common)
# The O(N^2) reference DFT dominates the run time; optimise it even in debug builds.
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/fft_test.cpp PROPERTIES COMPILE_OPTIONS -O2)
target_include_directories(test_fft PRIVATE ${PROJECT_SOURCE_DIR}/src/common_lib/fft)
