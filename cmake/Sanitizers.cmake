# ASan + UBSan over the whole build: the sanitizer test run configures a separate build tree with this on.
if(SWAPWRIGHT_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
  add_link_options(-fsanitize=address,undefined)
endif()
