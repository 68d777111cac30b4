# Fails unless the plug-in's dynamic symbol table defines exactly the three entry points.
#   cmake -DNM=<nm> -DLIBRARY=<plug-in> -P CheckExports.cmake
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY} OUTPUT_VARIABLE table RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^ \n]+\n" names "${table}")
list(TRANSFORM names STRIP)
list(SORT names)
set(expected KXDllCreateComponent KXDllInit KXDllTerminate)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "${LIBRARY} exports [${names}], expected exactly [${expected}]")
endif()
