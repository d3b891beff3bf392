# The install's last step (see Install.cmake): registers the installed
# servers, in order, with the installed regserver, so that their keys name
# the installed files. PROJECT_REGSERVER and PROJECT_SERVERS are paths
# below the prefix.
#
# A staged install (DESTDIR) is not registered: its files are not yet where
# they will run from; run regserver on them once they are.
function(_installed_path out path)
  if(IS_ABSOLUTE "${path}")
    set(${out} "${path}" PARENT_SCOPE)
  else()
    set(${out} "${CMAKE_INSTALL_PREFIX}/${path}" PARENT_SCOPE)
  endif()
endfunction()

_installed_path(_regserver "${PROJECT_REGSERVER}")
if(NOT "$ENV{DESTDIR}" STREQUAL "")
  message(STATUS "Not registering the servers of a staged install (DESTDIR): "
                 "run ${_regserver} on each once they are in place")
  return()
endif()

if(NOT "$ENV{PLATFORM_REGISTRY_FILE}" STREQUAL "")
  set(_registry "$ENV{PLATFORM_REGISTRY_FILE}")
else()
  set(_registry "the user's registry")
endif()
message(STATUS "Registering the servers into ${_registry}")
foreach(_server IN LISTS PROJECT_SERVERS)
  _installed_path(_path "${_server}")
  execute_process(COMMAND "${_regserver}" "${_path}"
    RESULT_VARIABLE _status OUTPUT_VARIABLE _output ERROR_VARIABLE _output)
  if(NOT _status EQUAL 0)
    message(FATAL_ERROR "Registering ${_path} failed (${_status}):\n${_output}")
  endif()
  message(STATUS "Registered: ${_path}")
endforeach()
