# Compiler warnings and sanitizer settings shared by every target of the project.

if(ZELVARO_SANITIZE STREQUAL "address")
  set(ZELVARO_SANITIZER_FLAGS -fsanitize=address,undefined,float-cast-overflow
      -fno-omit-frame-pointer -fno-sanitize-recover=all)
elseif(ZELVARO_SANITIZE STREQUAL "thread")
  set(ZELVARO_SANITIZER_FLAGS -fsanitize=thread -fno-omit-frame-pointer)
elseif(NOT ZELVARO_SANITIZE STREQUAL "")
  message(FATAL_ERROR "ZELVARO_SANITIZE must be empty, 'address' or 'thread'")
endif()

if(ZELVARO_SANITIZER_FLAGS)
  # Applied globally so that test programs and libraries agree on the runtime.
  add_compile_options(${ZELVARO_SANITIZER_FLAGS})
  add_link_options(${ZELVARO_SANITIZER_FLAGS})
endif()

# zelvaro_warnings(<target>): the warning set every target of ours is built with.
function(zelvaro_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wpedantic -Wshadow -Wconversion -Wsign-conversion
    $<$<COMPILE_LANGUAGE:CXX>:-Wnon-virtual-dtor -Woverloaded-virtual>)
  if(ZELVARO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()

# Tests and benchmarks: the same warnings, minus the sign-conversion noise that gtest macros provoke.
function(zelvaro_test_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow)
  if(ZELVARO_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
