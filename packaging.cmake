# `cmake --install` puts the program with sound/ and fd.ico in lib/vantrel and links it into bin/;
# `cpack` (run in the build directory) makes a Debian package of the same.
install(CODE "
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
  file(CREATE_LINK ../lib/vantrel/vantrel \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/vantrel\" SYMBOLIC)
")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vantrel developers <dev@vantrel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Listen to foreign-exchange rates instead of watching them")
set(CPACK_PACKAGE_DESCRIPTION "Vantrel downloads a bank's quote page every three seconds, shows the rates of 35 currency pairs and reads the pairs you pick aloud at the interval you choose, and sounds an alert when a key price is reached. vantrel-feed, a local quote server, comes with it.")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds its platform and audio plugins at run time, so shlibdeps cannot see them.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, libqt6multimedia6")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
include(CPack)
