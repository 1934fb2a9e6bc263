# Warnings are errors everywhere; the sanitizer build is what CI tests.
set(TABULON_WARNINGS -Wall -Wextra -Werror -Wpedantic -Wshadow=local -Wnon-virtual-dtor)
# GCC 12 reports std::string concatenation at -O3 as overlapping memcpy
# (GCC bug 105329), a false positive.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  list(APPEND TABULON_WARNINGS -Wno-restrict)
endif()

if(TABULON_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=undefined
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

function(tabulon_apply_options target)
  target_compile_options(${target} PRIVATE ${TABULON_WARNINGS})
endfunction()
