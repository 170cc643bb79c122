# Sources of the test_io family.
list(APPEND VEK_COMMON_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/lib_test_writers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_test_reader.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_test_parse.cpp
)
