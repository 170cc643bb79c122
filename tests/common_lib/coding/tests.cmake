# Tests of the coding family.
vek_add_test(test_coding_crc SOURCES ${CMAKE_CURRENT_LIST_DIR}/crc_test.cpp LIBS vek_common)
vek_add_test(test_coding_prbs SOURCES ${CMAKE_CURRENT_LIST_DIR}/prbs_code_test.cpp LIBS vek_common)
vek_add_test(test_coding_gray_parity SOURCES ${CMAKE_CURRENT_LIST_DIR}/gray_parity_test.cpp LIBS vek_common)
