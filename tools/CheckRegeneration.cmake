# Runs the generator into an empty folder and compares its output with the committed data/.
# cmake -DGENERATOR=... -DSOURCE_DIR=... -DWORK_DIR=... -P CheckRegeneration.cmake
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
execute_process(COMMAND "${GENERATOR}" "${WORK_DIR}"
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "airway_generator failed: ${result}")
endif()
foreach(name Bronchi.gra BronchiMesh.cpp)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E compare_files
                  "${WORK_DIR}/${name}" "${SOURCE_DIR}/data/${name}" RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "data/${name} differs from what tools/airway_generator makes now")
  endif()
  message(STATUS "data/${name} regenerates byte for byte")
endforeach()
file(REMOVE_RECURSE "${WORK_DIR}")
