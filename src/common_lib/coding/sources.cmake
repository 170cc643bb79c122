# Sources of the coding family.
list(APPEND VEK_COMMON_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/coding_report.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_crc_calculator.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_prbs_code.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_gray_code.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_odd_even_check.cpp
)
