# velmora_add_test(NAME <name> SOURCES <files...> LIBS <targets...> [GUI])
# Registers one GoogleTest executable in CTest. GUI tests get the test main that
# creates a QApplication and need a display (the test script runs under xvfb-run).
function(velmora_add_test)
  cmake_parse_arguments(T "GUI" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  if(T_GUI)
    target_link_libraries(${T_NAME} PRIVATE velmora_gui_test_main ${T_LIBS})
  else()
    target_link_libraries(${T_NAME} PRIVATE velmora_test_main ${T_LIBS})
  endif()
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  if(TARGET velmora_sample_data)
    add_dependencies(${T_NAME} velmora_sample_data)
  endif()
  # Tests that read data files run in the generated data folder.
  set_tests_properties(${T_NAME} PROPERTIES WORKING_DIRECTORY ${VELMORA_DATA_DIR}
                                            ENVIRONMENT "VELMORA_SOURCE_DIR=${CMAKE_SOURCE_DIR}")
endfunction()
