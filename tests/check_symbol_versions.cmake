# Fails, naming each symbol, when the module needs a libstdc++ symbol version
# newer than GCC 8's (GLIBCXX_3.4.25, CXXABI_1.3.11): MATLAB loads its own,
# older libstdc++ into its process, and a module that needs a newer version
# does not load there.
set(limits GLIBCXX 3.4.25 CXXABI 1.3.11)
find_program(OBJDUMP objdump REQUIRED)
execute_process(COMMAND ${OBJDUMP} -T ${MODULE}
  OUTPUT_VARIABLE table RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "objdump -T failed on ${MODULE}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${table}")
set(too_new "")
foreach(line ${lines})
  if(line MATCHES "[ (](GLIBCXX|CXXABI)_([0-9.]+)\\)? +([^ ]+)$")
    set(library ${CMAKE_MATCH_1})
    set(version ${CMAKE_MATCH_2})
    set(symbol ${CMAKE_MATCH_3})
    list(FIND limits ${library} at)
    math(EXPR at "${at} + 1")
    list(GET limits ${at} limit)
    if(version VERSION_GREATER limit)
      string(APPEND too_new "\n  ${symbol} needs ${library}_${version} (at most ${library}_${limit})")
    endif()
  endif()
endforeach()
if(too_new)
  message(FATAL_ERROR "${MODULE} needs a newer C++ library than MATLAB's:${too_new}")
endif()
