# Fails when a Qt-free target includes a Qt header, links a Qt library, or its compiled library
# refers to a Qt symbol (which would catch Qt reached through some other header).
# Arguments: TARGET, SOURCE_DIR, LINK_CLOSURE ('|'-separated), LIBRARY (the built archive).
set(problems "")

file(GLOB_RECURSE sources "${SOURCE_DIR}/*.h" "${SOURCE_DIR}/*.hpp" "${SOURCE_DIR}/*.c" "${SOURCE_DIR}/*.cpp")
foreach(source ${sources})
  file(STRINGS "${source}" includes REGEX "^[ \t]*#[ \t]*include[ \t]*[<\"](Q[A-Za-z]|qt)")
  foreach(line ${includes})
    string(STRIP "${line}" line)
    list(APPEND problems "${source}: ${line}")
  endforeach()
endforeach()

string(REPLACE "|" ";" closure "${LINK_CLOSURE}")
foreach(library ${closure})
  if(library MATCHES "^Qt[0-9]*::|(^|[/ ])(lib)?Qt[0-9]")
    list(APPEND problems "links ${library}")
  endif()
endforeach()

find_program(NM nm)
if(NM AND EXISTS "${LIBRARY}")
  execute_process(COMMAND ${NM} -C --undefined-only "${LIBRARY}" OUTPUT_VARIABLE symbols RESULT_VARIABLE nm_result)
  if(nm_result EQUAL 0)
    string(REGEX MATCHALL "[^\n]*(Q[A-Z][A-Za-z]+::|qt_[a-z_]+)[^\n]*" qt_symbols "${symbols}")
    foreach(symbol ${qt_symbols})
      string(STRIP "${symbol}" symbol)
      list(APPEND problems "refers to ${symbol}")
    endforeach()
  endif()
endif()

if(problems)
  list(JOIN problems "\n  " listing)
  message(FATAL_ERROR "${TARGET} must stay free of Qt:\n  ${listing}")
endif()
message(STATUS "${TARGET}: no Qt in ${SOURCE_DIR}, its ${LIBRARY} or its link closure (${LINK_CLOSURE})")
