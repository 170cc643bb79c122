# The ofdm-demod tool, run as a user would: each case starts the built executable.
vek_add_test(test_cli
  SOURCES
    ${CMAKE_CURRENT_LIST_DIR}/cli_demo_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cli_round_trip_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cli_settings_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cli_bad_input_test.cpp
    ${CMAKE_CURRENT_LIST_DIR}/cli_json_check_test.cpp)
add_dependencies(test_cli ofdm_demod_cli)
target_compile_definitions(test_cli PRIVATE
  VEK_CLI_EXE="$<TARGET_FILE:ofdm_demod_cli>" VEK_CLI_TEST_DATA_DIR="${CMAKE_CURRENT_LIST_DIR}/data")

# The tool's atomic output file, linked from its source (the tool itself is one executable).
vek_add_test(test_cli_atomic_file
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/atomic_file_test.cpp ${PROJECT_SOURCE_DIR}/apps/ofdm_demod_cli/atomic_file.cpp
  LIBS vek_common)
target_include_directories(test_cli_atomic_file PRIVATE ${PROJECT_SOURCE_DIR}/apps/ofdm_demod_cli)
