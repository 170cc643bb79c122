# Sources of the math family.
list(APPEND VEK_COMMON_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/lib_common_math.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_phase_estimate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_phase_estimate_wide.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_common_signal_process.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_convolution.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_wide_weighted_sum.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_filter.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_normalization.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_common_type_cast.cpp
)
