# kestrel_add_test(NAME tst_x SOURCES a.cpp ... LIBS kes_video ...)
# One QtTest program per library; every test runs headless with its own
# temporary HOME/XDG folders so that nothing touches the real user's files.
#
# A program of several test classes may name them in CLASSES: each class then
# runs as a test of its own (tst_x.ClassName), so that the classes run side by
# side and a slow one gets its own time limit.
function(kestrel_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;CLASSES" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt6::Test kes_testsupport ${T_LIBS})
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  if(T_CLASSES)
    foreach(class IN LISTS T_CLASSES)
      kestrel_add_test_run(NAME ${T_NAME}.${class} TARGET ${T_NAME} ARGS ${class} TIMEOUT ${T_TIMEOUT})
    endforeach()
    return()
  endif()
  add_test(NAME ${T_NAME} COMMAND ${CMAKE_COMMAND}
    -DTEST_EXE=$<TARGET_FILE:${T_NAME}> -DTEST_NAME=${T_NAME}
    -DWORK=${CMAKE_BINARY_DIR}/testhome
    -P ${PROJECT_SOURCE_DIR}/cmake/RunIsolated.cmake)
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
endfunction()

# kestrel_add_test_run(NAME tst_x_variant TARGET tst_x ARGS a b ENV "K=V" ...)
# Runs an existing test program again, with arguments and environment of its own.
function(kestrel_add_test_run)
  cmake_parse_arguments(T "" "NAME;TARGET;TIMEOUT" "ARGS;ENV" ${ARGN})
  string(REPLACE ";" "|" args "${T_ARGS}")
  string(REPLACE ";" "|" env "${T_ENV}")
  add_test(NAME ${T_NAME} COMMAND ${CMAKE_COMMAND}
    -DTEST_EXE=$<TARGET_FILE:${T_TARGET}> -DTEST_NAME=${T_NAME}
    -DWORK=${CMAKE_BINARY_DIR}/testhome
    "-DTEST_ARGS=${args}" "-DTEST_ENV=${env}"
    -P ${PROJECT_SOURCE_DIR}/cmake/RunIsolated.cmake)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 600)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT})
endfunction()
