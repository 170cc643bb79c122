# Sources of the filter family: window functions and FIR design.
list(APPEND VEK_COMMON_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/lib_window_function.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_fir_filter_design.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_fir_filter_mask_design.cpp
)
