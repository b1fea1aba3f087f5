# Checks that the include root of a core library really hides the folders above it: a source in
# store/ that includes a session header does not compile, one that includes its own and lower
# headers does.
#
#   cmake -DCOMPILER=<c++> -DROOTS=<build>/include-roots -DWORK=<scratch folder> -P check_include_roots.cmake
cmake_minimum_required(VERSION 3.25)

file(MAKE_DIRECTORY ${WORK})
file(WRITE ${WORK}/below.cpp "#include \"core/store/persistent_data.h\"\n#include \"core/base/file_replace.h\"\n")
file(WRITE ${WORK}/above.cpp "#include \"core/session/session.h\"\n")

function(compile source result output)
  execute_process(COMMAND ${COMPILER} -std=c++20 -fsyntax-only -I${ROOTS}/store ${WORK}/${source}
                  RESULT_VARIABLE status ERROR_VARIABLE errors OUTPUT_QUIET)
  set(${result} ${status} PARENT_SCOPE)
  set(${output} "${errors}" PARENT_SCOPE)
endfunction()

compile(below.cpp status errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "store's own and lower headers do not compile through its include root:\n${errors}")
endif()
compile(above.cpp status errors)
if(status EQUAL 0 OR NOT errors MATCHES "core/session/session.h: No such file")
  message(FATAL_ERROR "a session header included from store compiled, or failed for another reason:\n${errors}")
endif()
message(STATUS "the store's include root holds nothing above the store")
