# quorvel_component(<target> <name> HEADERS <header>...)
#
# Makes the static library <target> one of the package's components: named
# quorvel::<name> both here (an ALIAS, for add_subdirectory and FetchContent
# consumers) and in the installed package (its export name), with the listed
# headers (relative to the calling folder) as its public header set. That set
# is what is installed, under include/ with the quorvel/ prefix kept, and what
# the header test compiles one by one; headers left out of it are internal.
function(quorvel_component target name)
  cmake_parse_arguments(PARSE_ARGV 2 arg "" "" "HEADERS")
  list(TRANSFORM arg_HEADERS PREPEND ${CMAKE_CURRENT_SOURCE_DIR}/)
  target_sources(${target} PUBLIC FILE_SET HEADERS BASE_DIRS ${PROJECT_SOURCE_DIR}
                 FILES ${arg_HEADERS})
  target_include_directories(${target} PUBLIC $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
                             $<INSTALL_INTERFACE:include>)
  target_compile_features(${target} PUBLIC cxx_std_20)
  # The warning set is the project's own business: a consumer never sees it.
  target_link_libraries(${target} PRIVATE $<BUILD_INTERFACE:quorvel_warnings>)
  set_target_properties(${target} PROPERTIES EXPORT_NAME ${name})
  add_library(quorvel::${name} ALIAS ${target})
  set_property(GLOBAL APPEND PROPERTY quorvel_components ${target})
endfunction()
