# The install rules: the component libraries with their public headers
# (include/quorvel/...), the CMake package (lib/cmake/quorvel), the
# pkg-config file (lib/pkgconfig/quorvel.pc) and the folder program (bin).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

get_property(quorvel_component_targets GLOBAL PROPERTY quorvel_components)
install(TARGETS ${quorvel_component_targets} quorvel_all EXPORT quorvel-targets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        FILE_SET HEADERS DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(TARGETS folder RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

# The installed files lose their debug information: built with it (the
# release preset is RelWithDebInfo) it is nearly all of the libraries' size,
# and a consumer's program rarely needs it. --strip-debug keeps the symbol
# table, which linking a static library needs and backtraces use; cmake
# --install --strip would not do, as it leaves static libraries alone.
# Whoever wants to step into the library installs with
# QUORVEL_INSTALL_STRIP=OFF, or builds it as a subproject.
if(QUORVEL_INSTALL_STRIP AND CMAKE_STRIP)
  set(quorvel_stripped_files "")
  foreach(target IN LISTS quorvel_component_targets)
    list(APPEND quorvel_stripped_files "${CMAKE_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:${target}>")
  endforeach()
  list(APPEND quorvel_stripped_files "${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:folder>")
  list(TRANSFORM quorvel_stripped_files REPLACE "(.+)" "\"\\1\"")
  string(JOIN " " quorvel_stripped_files ${quorvel_stripped_files})
  install(CODE "
    foreach(file IN ITEMS ${quorvel_stripped_files})
      if(NOT IS_ABSOLUTE \"\${file}\")
        set(file \"\${CMAKE_INSTALL_PREFIX}/\${file}\")
      endif()
      execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-debug \"\$ENV{DESTDIR}\${file}\"
                      COMMAND_ERROR_IS_FATAL ANY)
    endforeach()")
endif()

set(quorvel_component_names "")
foreach(target IN LISTS quorvel_component_targets)
  get_target_property(name ${target} EXPORT_NAME)
  list(APPEND quorvel_component_names ${name})
endforeach()

set(quorvel_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/quorvel)
install(EXPORT quorvel-targets NAMESPACE quorvel:: FILE quorvel-targets.cmake
        DESTINATION ${quorvel_package_dir})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/quorvel-config.cmake.in
                              ${PROJECT_BINARY_DIR}/quorvel-config.cmake
                              INSTALL_DESTINATION ${quorvel_package_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/quorvel-config-version.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/quorvel-config.cmake
              ${PROJECT_BINARY_DIR}/quorvel-config-version.cmake
        DESTINATION ${quorvel_package_dir})

# pkg-config: the static libraries in link order, each before the ones it
# uses. Paths are taken from the file's own place, so that an install with
# --prefix elsewhere than the configured prefix still finds them.
set(quorvel_link_order quorvel_walk quorvel_git quorvel_filesystem quorvel_platform quorvel_stream quorvel_text)
set(quorvel_sorted_order ${quorvel_link_order})
set(quorvel_sorted_components ${quorvel_component_targets})
list(SORT quorvel_sorted_order)
list(SORT quorvel_sorted_components)
if(NOT quorvel_sorted_order STREQUAL quorvel_sorted_components)
  message(FATAL_ERROR "quorvel.pc: the link order (${quorvel_link_order}) must name every "
                      "component (${quorvel_component_targets}) once")
endif()
list(TRANSFORM quorvel_link_order PREPEND " -l")
string(JOIN "" quorvel_pc_libs ${quorvel_link_order})
if(WIN32)
  string(APPEND quorvel_pc_libs " -lshell32")
endif()
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(quorvel_pc_prefix "${CMAKE_INSTALL_PREFIX}")
  set(quorvel_pc_libdir "${CMAKE_INSTALL_FULL_LIBDIR}")
  set(quorvel_pc_includedir "${CMAKE_INSTALL_FULL_INCLUDEDIR}")
else()
  file(RELATIVE_PATH quorvel_pc_up "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
  string(REGEX REPLACE "/$" "" quorvel_pc_up "${quorvel_pc_up}")
  set(quorvel_pc_prefix "\${pcfiledir}/${quorvel_pc_up}")
  set(quorvel_pc_libdir "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
  set(quorvel_pc_includedir "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
configure_file(${CMAKE_CURRENT_LIST_DIR}/quorvel.pc.in ${PROJECT_BINARY_DIR}/quorvel.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/quorvel.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
