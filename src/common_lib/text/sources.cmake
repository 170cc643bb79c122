# Sources of the text family.
list(APPEND VEK_COMMON_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/lib_common_list_parse_basic.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_common_index_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_common_freq_list.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_version_manager.cpp
)
