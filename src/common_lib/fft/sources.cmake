# Sources of the fft family.
list(APPEND VEK_COMMON_SOURCES
  ${CMAKE_CURRENT_LIST_DIR}/lib_pocket_fft_plan_manager.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_fourier_transform.cpp
  ${CMAKE_CURRENT_LIST_DIR}/lib_common_multi_thread.cpp
)
# lib_freq_spectrum.cpp (calc_freq_spectrum) needs the window generators of the filter family.
if(EXISTS ${PROJECT_SOURCE_DIR}/include/vek/common_lib/filter/lib_window_function.hpp)
  list(APPEND VEK_COMMON_SOURCES ${CMAKE_CURRENT_LIST_DIR}/lib_freq_spectrum.cpp)
endif()
