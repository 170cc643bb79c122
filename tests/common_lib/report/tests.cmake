# Tests of the report family.
vek_add_test(test_report SOURCES ${CMAKE_CURRENT_LIST_DIR}/report_test.cpp LIBS vek_common)
