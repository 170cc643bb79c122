# Tests of the math family.
vek_add_test(test_math SOURCES ${CMAKE_CURRENT_LIST_DIR}/math_test.cpp ${CMAKE_CURRENT_LIST_DIR}/convolution_test.cpp LIBS vek_common)
# The double-precision reference convolution dominates the run time; optimise it even in debug.
set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/convolution_test.cpp PROPERTIES COMPILE_OPTIONS -O2)
