# Warnings are errors-in-spirit: the tree stays clean under -Wall -Wextra -Wpedantic.
add_library(vek_warnings INTERFACE)
target_compile_options(vek_warnings INTERFACE -Wall -Wextra -Wpedantic)

if(VEK_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

# Fuzzing: every object gets the fuzzer's coverage hooks; only the fuzz targets link its main
# (-fsanitize=fuzzer, added per target in tests/fuzz).
if(VEK_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
