# How a module of Qel installs itself. Each module's CMakeLists.txt ends with one call:
#
#   qel_install_module(<target> <dir> [INIT <object library>...])
#
#   <target>  the module's library (QelCore, QelDraw, ...), installed into an export of its own,
#             Qel<name>Targets after its EXPORT_NAME (QelCoreTargets, ...), which find_package(Qel)
#             reads only when the libraries the module links are found (cmake/QelConfig.cmake.in);
#   <dir>     the module's folder from the project root (Core, draw, plugin/png, ...): every
#             header under it is installed to include/qel/<dir>/, keeping its sub-folders, except
#             those in a detail/ folder, which are the module's private headers (namespace
#             detail) and stay in the source tree;
#   INIT      object libraries that every consumer links on its own (start-up initialisers,
#             global operators), installed beside the archive.
#
# It does nothing unless QEL_INSTALL is on (the default only for a top-level build), so a project
# that adds Qel with add_subdirectory installs none of it. The headers it installs are recorded,
# with their module's target, for the test that compiles each installed header on its own.
function(qel_install_module target dir)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "INIT")
  if(NOT QEL_INSTALL)
    return()
  endif()
  get_target_property(export_name ${target} EXPORT_NAME)
  install(TARGETS ${target} EXPORT Qel${export_name}Targets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
  foreach(init IN LISTS arg_INIT)
    install(TARGETS ${init} EXPORT Qel${export_name}Targets OBJECTS DESTINATION ${CMAKE_INSTALL_LIBDIR}/qel)
  endforeach()
  set_property(GLOBAL APPEND PROPERTY QEL_INSTALLED_MODULES ${export_name})
  file(GLOB_RECURSE headers CONFIGURE_DEPENDS RELATIVE ${PROJECT_SOURCE_DIR}/${dir}
    ${PROJECT_SOURCE_DIR}/${dir}/*.h)
  list(FILTER headers EXCLUDE REGEX "(^|/)detail/")
  list(SORT headers)
  foreach(h IN LISTS headers)
    get_filename_component(sub ${h} DIRECTORY)
    install(FILES ${PROJECT_SOURCE_DIR}/${dir}/${h} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/qel/${dir}/${sub})
    set_property(GLOBAL APPEND PROPERTY QEL_INSTALLED_HEADERS "Qel::${export_name} ${dir}/${h}")
  endforeach()
endfunction()

# qel_unity_alone(files...): sources of the current directory whose file-local helpers share a
# name with another file's; unity builds (CMAKE_UNITY_BUILD, used by CI for speed) compile them
# on their own.
function(qel_unity_alone)
  set_source_files_properties(${ARGN} PROPERTIES SKIP_UNITY_BUILD_INCLUSION ON)
endfunction()
