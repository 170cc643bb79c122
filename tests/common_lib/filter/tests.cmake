# Tests of the filter family.
vek_add_test(test_filter
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/lib_window_function_test.cpp ${CMAKE_CURRENT_LIST_DIR}/lib_fir_filter_design_test.cpp
  LIBS vek_common)
