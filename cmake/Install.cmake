# The installed system (cmake --install <build> [--prefix <prefix>]): what
# goes where, the Travix package and the registration of the servers.
#
#   bin/                                    the programs
#   lib/                                    the toolkit's and the platform
#                                           layer's libraries, the runtime
#                                           under every name a project links
#   lib/corvanth/                           the engine's, the automation
#                                           object's and ClipView's servers
#   lib/corvanth/ModuleCom/                 the module servers, which the
#                                           engine looks for beside itself
#   lib/cmake/Travix/                       find_package(Travix CONFIG)
#   include/                                the runtime's headers
#
# (lib and include as GNUInstallDirs names them.) Every installed program
# and library finds the project's libraries through an RPATH relative to
# its own place, so the tree may be moved as a whole; the servers' registry
# keys name their installed files, so a moved tree is registered again.
#
# One line a target below; a new server is registered in the order it is
# listed, after the engine that module servers register themselves with.
include_guard(GLOBAL)
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(PROJECT_INSTALL_SERVERDIR "${CMAKE_INSTALL_LIBDIR}/corvanth")
set(PROJECT_INSTALL_MODULEDIR "${PROJECT_INSTALL_SERVERDIR}/ModuleCom")
set(PROJECT_INSTALL_PACKAGEDIR "${CMAKE_INSTALL_LIBDIR}/cmake/Travix")

# project_install(PROGRAM|LIBRARY|SERVER|MODULE_SERVER <target>... [PACKAGE])
# Installs the targets where their kind goes, with an RPATH that finds the
# project's libraries from there. SERVER and MODULE_SERVER are registered
# at the end of the install. PACKAGE puts them into the Travix package as
# Travix::<target>.
function(project_install kind)
  cmake_parse_arguments(I "PACKAGE" "" "" ${ARGN})
  if(kind STREQUAL "PROGRAM")
    set(destination "${CMAKE_INSTALL_BINDIR}")
  elseif(kind STREQUAL "LIBRARY")
    set(destination "${CMAKE_INSTALL_LIBDIR}")
  elseif(kind STREQUAL "SERVER")
    set(destination "${PROJECT_INSTALL_SERVERDIR}")
  elseif(kind STREQUAL "MODULE_SERVER")
    set(destination "${PROJECT_INSTALL_MODULEDIR}")
  else()
    message(FATAL_ERROR "project_install: unknown kind '${kind}'")
  endif()
  set(export "")
  if(I_PACKAGE)
    set(export EXPORT TravixTargets)
  endif()
  file(RELATIVE_PATH to_libraries "/${destination}" "/${CMAKE_INSTALL_LIBDIR}")
  string(REGEX REPLACE "/$" "" to_libraries "${to_libraries}")
  set(rpath "$ORIGIN")
  if(to_libraries)
    string(APPEND rpath "/${to_libraries}")
  endif()
  foreach(target IN LISTS I_UNPARSED_ARGUMENTS)
    set_target_properties(${target} PROPERTIES INSTALL_RPATH "${rpath}")
    install(TARGETS ${target} ${export}
      RUNTIME DESTINATION "${destination}"
      LIBRARY DESTINATION "${destination}"
      ARCHIVE DESTINATION "${destination}"
      INCLUDES DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}")
    if(kind MATCHES "SERVER$")
      set_property(GLOBAL APPEND PROPERTY PROJECT_INSTALLED_SERVERS "${destination}/$<TARGET_FILE_NAME:${target}>")
    endif()
  endforeach()
endfunction()

# The toolkit: the generator, the wizard, the runtime under every name a
# generated project links, and the libraries the programs load.
project_install(PROGRAM travix PACKAGE)
project_install(PROGRAM travixwz)
project_install(LIBRARY travixbase travixbase_n travixbase_d travixbase_nd
                        travixbase_s travixbase_ns travixbase_sd travixbase_nsd PACKAGE)
project_install(LIBRARY srcwri declreader xdrturn)
file(GLOB travix_runtime_headers "${PROJECT_SOURCE_DIR}/travix/runtime/*.h")
install(FILES ${travix_runtime_headers} DESTINATION "${CMAKE_INSTALL_INCLUDEDIR}")

# The platform layer and its tool that registers a server.
project_install(LIBRARY platform platform_audio platform_graphics)
project_install(PROGRAM regserver)

# Vorn: the engine first, then what registers itself with it.
project_install(SERVER VornEngineHost)
project_install(SERVER VornApp)
project_install(MODULE_SERVER VornPortsModule)
project_install(MODULE_SERVER VornMicModule)
project_install(MODULE_SERVER VornVoiceModule)
project_install(PROGRAM vornapp_runfile VornModuleGuide)

# ClipView: the control's server and the image library it shares with its
# containers.
project_install(LIBRARY ClipViewImage)
project_install(SERVER ClipViewCtl)

# The package: the exported targets, the generation functions beside them,
# and FLEX and BISON, which those functions run.
install(EXPORT TravixTargets NAMESPACE Travix:: DESTINATION "${PROJECT_INSTALL_PACKAGEDIR}")
configure_package_config_file("${CMAKE_CURRENT_LIST_DIR}/TravixConfig.cmake.in"
  "${PROJECT_BINARY_DIR}/package/TravixConfig.cmake"
  INSTALL_DESTINATION "${PROJECT_INSTALL_PACKAGEDIR}")
write_basic_package_version_file("${PROJECT_BINARY_DIR}/package/TravixConfigVersion.cmake"
  VERSION "${PROJECT_VERSION}" COMPATIBILITY SameMajorVersion)
install(FILES "${PROJECT_BINARY_DIR}/package/TravixConfig.cmake" "${PROJECT_BINARY_DIR}/package/TravixConfigVersion.cmake"
              "${CMAKE_CURRENT_LIST_DIR}/TravixGeneration.cmake"
        DESTINATION "${PROJECT_INSTALL_PACKAGEDIR}")

# Registration, last: the installed regserver on each installed server, in
# the order listed, into the installing user's registry or the one
# PLATFORM_REGISTRY_FILE names.
get_property(servers GLOBAL PROPERTY PROJECT_INSTALLED_SERVERS)
install(CODE "set(PROJECT_REGSERVER \"${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:regserver>\")
set(PROJECT_SERVERS \"${servers}\")
include(\"${CMAKE_CURRENT_LIST_DIR}/RegisterServers.cmake\")")
