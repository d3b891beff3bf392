# Installing the wizard's registration into a prefix of its own records the
# prefix in the registry PLATFORM_REGISTRY_FILE names, and the installed
# wizard's information dialog reports that prefix without a failure; a
# staged install (DESTDIR) records nothing.
#   -DBUILD_DIR=<build tree> -DWORK_DIR=<scratch> -DTRAVIXWZ=<travixwz>
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix with space")
set(ENV{PLATFORM_REGISTRY_FILE} "${WORK_DIR}/registry.sqlite")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --component travix_registration --prefix "${prefix}"
  RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the install step failed: ${result}")
endif()
execute_process(COMMAND "${TRAVIXWZ}" --about RESULT_VARIABLE result OUTPUT_VARIABLE report ERROR_VARIABLE messages)
if(NOT result EQUAL 0 OR NOT report MATCHES "^ Pathname: ${prefix}/bin\n" OR messages MATCHES "Can't")
  message(FATAL_ERROR "the report does not name the install:\n${report}\n${messages}")
endif()

set(ENV{PLATFORM_REGISTRY_FILE} "${WORK_DIR}/staged.sqlite")
set(ENV{DESTDIR} "${WORK_DIR}/stage")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --component travix_registration --prefix "${prefix}"
  RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0 OR EXISTS "${WORK_DIR}/staged.sqlite")
  message(FATAL_ERROR "a staged install wrote the registry")
endif()
file(REMOVE_RECURSE "${WORK_DIR}")
