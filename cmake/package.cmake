# The Debian package of the Linux command line: /usr/bin/copyloom, its manual
# page and its bash completion. `cpack -G DEB` in the build folder makes it
# (scripts/package.sh).
set(dist ${PROJECT_SOURCE_DIR}/dist)
set(manpage ${CMAKE_BINARY_DIR}/man/copyloom.1)

# The manual page's command and option tables come from the program's own
# --help, so the two cannot drift apart.
add_custom_command(
  OUTPUT ${manpage}.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/man
  COMMAND sh ${dist}/make-manpage.sh $<TARGET_FILE:copyloom> ${PROJECT_VERSION} ${manpage}.gz
  DEPENDS copyloom ${dist}/make-manpage.sh ${dist}/copyloom.1.in ${dist}/help-to-man.awk
  VERBATIM)
add_custom_target(copyloom_manpage ALL DEPENDS ${manpage}.gz)

install(TARGETS copyloom RUNTIME DESTINATION bin)
install(FILES ${manpage}.gz DESTINATION share/man/man1)
install(FILES ${dist}/copyloom.bash-completion DESTINATION share/bash-completion/completions
        RENAME copyloom)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME copyloom)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Velmora")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Installs the Copyloom trade copier into MetaTrader 4 terminals under Wine")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "wine")
set(CPACK_STRIP_FILES ON)
include(CPack)
