# Sources of the resample family.
list(APPEND VEK_COMMON_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/lib_resampler_common.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_resampler.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_resample_coef.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_oversampling.cpp
)
