# The library's SONAME names major version 1.
execute_process(COMMAND objdump -p ${LIBRARY} OUTPUT_VARIABLE header RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT header MATCHES "SONAME +libsigcore\\.so\\.1\n")
  message(FATAL_ERROR "SONAME is not libsigcore.so.1")
endif()
