# The Debian package of the Linux command line: /usr/bin/copyloom, its manual
# page and its bash completion, and the window program that `copyloom window`
# runs under Wine (/usr/lib/copyloom/copyloom-setup.exe, and its 32-bit build
# copyloom-setup-32.exe), when the Windows builds are given.
# `cpack -G DEB` in the build folder makes it (scripts/package.sh).
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
set(COPYLOOM_WINDOW_EXE "" CACHE FILEPATH "copyloom-setup.exe of the windows build")
set(COPYLOOM_WINDOW_EXE_32 "" CACHE FILEPATH "copyloom-setup.exe of the windows-i686 build")
if(COPYLOOM_WINDOW_EXE)
  install(FILES ${COPYLOOM_WINDOW_EXE} DESTINATION lib/copyloom RENAME copyloom-setup.exe)
endif()
if(COPYLOOM_WINDOW_EXE_32)
  install(FILES ${COPYLOOM_WINDOW_EXE_32} DESTINATION lib/copyloom RENAME copyloom-setup-32.exe)
endif()
# What Debian asks of every package: its copyright and its changelog.
set(changelog ${CMAKE_BINARY_DIR}/doc/changelog.gz)
add_custom_command(
  OUTPUT ${changelog}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/doc
  COMMAND sh -c "gzip -9n < \"$0\" > \"$1\"" ${dist}/changelog ${changelog}
  DEPENDS ${dist}/changelog
  VERBATIM)
add_custom_target(copyloom_changelog ALL DEPENDS ${changelog})
install(FILES ${changelog} ${dist}/copyright DESTINATION share/doc/copyloom)
install(FILES ${manpage}.gz DESTINATION share/man/man1)
install(FILES ${dist}/copyloom.bash-completion DESTINATION share/bash-completion/completions
        RENAME copyloom)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME copyloom)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Velmora <support@copyloom.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Installs the Copyloom trade copier into MetaTrader 4 terminals under Wine")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# The extended description (the summary above is the synopsis).
string(CONCAT CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "copyloom finds the MetaTrader 4 terminals of the Wine prefixes on this\n"
    "machine and installs, checks and removes the Signal Provider and Signal\n"
    "Receiver experts of the Copyloom trade copier. Its window command opens\n"
    "the installer window under Wine.")
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "wine")
set(CPACK_STRIP_FILES ON)
include(CPack)
