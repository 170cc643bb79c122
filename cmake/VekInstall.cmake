include(CMakePackageConfigHelpers)

install(TARGETS vek_common vek_log vek_ofdm_demod EXPORT vek_ofdm_targets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY include/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(DIRECTORY data/ DESTINATION ${CMAKE_INSTALL_DATADIR}/vek_ofdm/data)
install(EXPORT vek_ofdm_targets NAMESPACE vek:: DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vek_ofdm)

configure_package_config_file(cmake/vek_ofdmConfig.cmake.in
  ${CMAKE_CURRENT_BINARY_DIR}/vek_ofdmConfig.cmake
  INSTALL_DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vek_ofdm)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/vek_ofdmConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vek_ofdmConfig.cmake ${CMAKE_CURRENT_BINARY_DIR}/vek_ofdmConfigVersion.cmake
  DESTINATION ${CMAKE_INSTALL_LIBDIR}/cmake/vek_ofdm)

configure_file(cmake/vek_ofdm.pc.in ${CMAKE_CURRENT_BINARY_DIR}/vek_ofdm.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/vek_ofdm.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
