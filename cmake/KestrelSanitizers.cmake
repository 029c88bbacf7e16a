# AddressSanitizer + UndefinedBehaviorSanitizer for the whole build tree.
if(KESTREL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer
                      -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()

if(KESTREL_TSAN)
  add_compile_options(-fsanitize=thread -fno-omit-frame-pointer)
  add_link_options(-fsanitize=thread)
endif()

# Fuzzing builds instrument everything for coverage; the fuzz targets add
# libFuzzer's driver themselves.
if(KESTREL_FUZZ)
  add_compile_options(-fsanitize=fuzzer-no-link)
endif()
