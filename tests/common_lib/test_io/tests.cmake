# Tests of the test_io family.
vek_add_test(test_test_io SOURCES ${CMAKE_CURRENT_LIST_DIR}/test_io_test.cpp LIBS vek_common)
