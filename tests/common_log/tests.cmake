# Tests of the logging component.
vek_add_test(test_common_log SOURCES ${CMAKE_CURRENT_LIST_DIR}/logger_system_test.cpp LIBS vek_log)
