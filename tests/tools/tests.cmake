# Tests of the data generators.
vek_add_test(test_reference_data_generator
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/reference_data_generator_test.cpp
  LIBS vek_refgen)
