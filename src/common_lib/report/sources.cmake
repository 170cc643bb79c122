# Sources of the report family.
list(APPEND VEK_COMMON_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/report.cpp
)
