# Warnings and sanitizers shared by every target of the project.
add_library(vodex_build_flags INTERFACE)
target_compile_options(vodex_build_flags INTERFACE
  -Wall -Wextra -Wpedantic -Wshadow -Wnon-virtual-dtor -Wold-style-cast -Wcast-align
  -Woverloaded-virtual -Wconversion -Wsign-conversion -Wformat=2
  -Wimplicit-fallthrough)
# g++ 12 reports moves of std::variant alternatives as "maybe uninitialized" at -O2
# (a known false positive of that release), which would bury real findings.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(vodex_build_flags INTERFACE -Wno-maybe-uninitialized)
  # The libraries call their own exported functions directly (and may inline them) instead
  # of through the symbol table: nothing replaces the toolkit's functions at load time.
  target_compile_options(vodex_build_flags INTERFACE -fno-semantic-interposition)
endif()
if(VODEX_WERROR)
  target_compile_options(vodex_build_flags INTERFACE -Werror)
endif()
if(VODEX_FUZZ)
  # Every part instrumented for libFuzzer's guidance and checked by the sanitizers; the fuzz
  # targets link libFuzzer's driver themselves.
  target_compile_options(vodex_build_flags INTERFACE
    -fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined
    -fno-omit-frame-pointer)
  target_link_options(vodex_build_flags INTERFACE -fsanitize=address,undefined)
endif()
if(VODEX_SANITIZE)
  target_compile_options(vodex_build_flags INTERFACE
    -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_link_options(vodex_build_flags INTERFACE -fsanitize=address,undefined)
endif()
