# Fails unless the module's dynamic symbol table defines EXPORT alone
# (default mexFunction; an oct-file's is its installer, Gquarnel).
if(NOT DEFINED EXPORT)
  set(EXPORT mexFunction)
endif()
execute_process(COMMAND nm -D --defined-only ${MODULE}
  OUTPUT_VARIABLE symbols RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nm failed on ${MODULE}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
set(names "")
foreach(line ${lines})
  string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Za-z] " "" name "${line}")
  list(APPEND names ${name})
endforeach()
if(NOT names STREQUAL "${EXPORT}")
  message(FATAL_ERROR "exported symbols: ${names}")
endif()
