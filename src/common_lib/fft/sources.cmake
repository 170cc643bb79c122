# Sources of the fft family.
list(APPEND VEK_COMMON_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/lib_pocket_fft_plan_manager.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_fft_wisdom.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_fourier_transform.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_freq_spectrum.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_common_multi_thread.cpp
)
