# Tests of the text family.
vek_add_test(test_text_list_parse SOURCES ${CMAKE_CURRENT_LIST_DIR}/list_parse_test.cpp LIBS vek_common)
vek_add_test(test_text_version SOURCES ${CMAKE_CURRENT_LIST_DIR}/version_manager_test.cpp LIBS vek_common)
