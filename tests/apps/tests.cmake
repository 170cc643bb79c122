# The ofdm-demod tool, run as a user would (each case starts the built executable), and its atomic
# output file, linked from its source (the tool itself is one executable).
vek_add_test(test_cli
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/cli_test.cpp ${PROJECT_SOURCE_DIR}/apps/ofdm_demod_cli/atomic_file.cpp
  LIBS vek_common)
add_dependencies(test_cli ofdm_demod_cli)
target_compile_definitions(test_cli PRIVATE VEK_CLI_EXE="$<TARGET_FILE:ofdm_demod_cli>")
target_include_directories(test_cli PRIVATE ${PROJECT_SOURCE_DIR}/apps/ofdm_demod_cli)
