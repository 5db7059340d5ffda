# What `cmake --install` puts in place: the programs with their man pages, and the markup and
# text-file libraries with their headers, a CMake package and a pkg-config file.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# Every program; each has its man page man/<program>.1, installed compressed (gzip -9n, as
# Debian's policy asks). The commands go to bin/; the updater, a file for publishers to copy
# into a program's folder, to UPDATER_INSTALL_DIR.
set(INSTALLED_PROGRAMS updater updatecheck xmlcheck publish)
find_program(GZIP gzip REQUIRED)

set(compressed_pages "")
foreach(program IN LISTS INSTALLED_PROGRAMS)
  set(man_page ${PROJECT_SOURCE_DIR}/man/${program}.1)
  if(NOT EXISTS ${man_page})
    message(FATAL_ERROR "${program} is installed but has no man page ${man_page}")
  endif()
  set(compressed ${PROJECT_BINARY_DIR}/man/${program}.1.gz)
  add_custom_command(OUTPUT ${compressed}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
    COMMAND ${GZIP} -9n -c ${man_page} > ${compressed}
    DEPENDS ${man_page})
  list(APPEND compressed_pages ${compressed})
  if(program STREQUAL "updater")
    install(TARGETS ${program} RUNTIME DESTINATION ${UPDATER_INSTALL_DIR})
  else()
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
  install(FILES ${compressed} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endforeach()
# The changelog, compressed, the copyright and the lintian overrides, as a Debian package has
# them; they come with every install.
set(changelog ${PROJECT_BINARY_DIR}/doc/changelog.gz)
add_custom_command(OUTPUT ${changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/doc
  COMMAND ${GZIP} -9n -c ${PROJECT_SOURCE_DIR}/cmake/debian/changelog > ${changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/cmake/debian/changelog)
add_custom_target(man_pages ALL DEPENDS ${compressed_pages} ${changelog})
install(FILES ${changelog} ${PROJECT_SOURCE_DIR}/cmake/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES ${PROJECT_SOURCE_DIR}/cmake/debian/lintian-overrides
        DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME ${PROJECT_NAME})

# The libraries. platform comes along because textfile is built on it; of its headers only
# those that the markup and text-file headers include are installed.
set(library_include_dir ${CMAKE_INSTALL_INCLUDEDIR}/${PROJECT_NAME})
set(installed_libraries markup textfile platform)
foreach(library IN LISTS installed_libraries)
  set_target_properties(${library} PROPERTIES OUTPUT_NAME ${PROJECT_NAME}_${library})
  target_include_directories(${library} INTERFACE $<INSTALL_INTERFACE:${library_include_dir}>)
endforeach()
install(TARGETS ${installed_libraries} EXPORT ${PROJECT_NAME}Targets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/markup ${PROJECT_SOURCE_DIR}/textfile
        DESTINATION ${library_include_dir} FILES_MATCHING PATTERN "*.h")
install(FILES ${PROJECT_SOURCE_DIR}/platform/file_stream.h DESTINATION ${library_include_dir}/platform)

# find_package(updater): the targets updater::markup and updater::textfile.
set(package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/${PROJECT_NAME})
install(EXPORT ${PROJECT_NAME}Targets NAMESPACE ${PROJECT_NAME}:: DESTINATION ${package_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/${PROJECT_NAME}ConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
configure_file(cmake/packageConfig.cmake.in ${PROJECT_BINARY_DIR}/${PROJECT_NAME}Config.cmake @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/${PROJECT_NAME}Config.cmake
              ${PROJECT_BINARY_DIR}/${PROJECT_NAME}ConfigVersion.cmake DESTINATION ${package_dir})

# pkg-config: paths relative to the file's own folder, so that the installed tree can move.
file(RELATIVE_PATH pc_to_prefix /${CMAKE_INSTALL_LIBDIR}/pkgconfig /)
string(REGEX REPLACE "/$" "" pc_to_prefix "${pc_to_prefix}")
configure_file(cmake/package.pc.in ${PROJECT_BINARY_DIR}/${PROJECT_NAME}.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/${PROJECT_NAME}.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
