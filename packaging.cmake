# SPDX-License-Identifier: GPL-3.0-or-later
# `cmake --install` puts the program with sound/ and fd.ico in lib/vantrel and links it into bin/;
# `cpack -G DEB` (run in the build directory) makes a Debian package of the same, with the files of
# packaging/; scripts/check-package.sh builds it and checks it as Debian would.
install(CODE "
  file(MAKE_DIRECTORY \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin\")
  file(CREATE_LINK ../lib/vantrel/vantrel \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/bin/vantrel\" SYMBOLIC)
")
# A stripped install (the package's) also drops the compiler's version note, as Debian's own strip does.
install(CODE "
  if(CMAKE_INSTALL_DO_STRIP)
    foreach(program lib/vantrel/$<TARGET_FILE_NAME:vantrel> bin/$<TARGET_FILE_NAME:vantrel-feed>)
      execute_process(
        COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${program}\"
        COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
  endif()
")

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "Vantrel developers <dev@vantrel.invalid>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Listen to foreign-exchange rates instead of watching them")
# The extended description as Debian shows it: lines of at most 80 characters, an empty line between
# paragraphs (CPack turns it into the " ." Debian wants).
set(CPACK_PACKAGE_DESCRIPTION [[
Vantrel downloads a bank's foreign-exchange quote page every three seconds
and reads the rates of 35 currency pairs from it: eight majors against the US
dollar and 27 crosses. It shows them in two rate windows and speaks the rates
of the pairs you pick at the interval you choose, so that you can follow the
market by ear.

A key price reminder watches one pair for an upper or a lower level; when the
rate reaches it, Vantrel sounds the alert you chose and names the pair.

vantrel-feed, the local quote server that comes with it, serves the page in
the bank's layout. Out of the box it serves live prices from TrueFX
(indicative prices aggregated from banks), with Kraken as the fallback and
the Hong Kong and Singapore dollar legs taken from the European Central
Bank's daily reference fix; no account is needed. It can serve the ECB's
daily fix instead, or the prices of an OANDA account.]])
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# Qt finds its platform plugins at run time, so shlibdeps cannot see them; the quote server reads New
# York's time zone from tzdata, as the FX week closes by New York's clock.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-qpa-plugins, tzdata")
# On a Wayland desktop the program then runs natively, not through XWayland. The rates are heard through
# a sound server that speaks PulseAudio's protocol: PipeWire's, as desktops install it now, or PulseAudio.
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, pipewire-pulse | pulseaudio")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The maintainer scripts turn the quote server's socket on for every user, and stop it before a removal or an
# upgrade (packaging/maintainer-scripts).
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
    ${PROJECT_SOURCE_DIR}/packaging/maintainer-scripts/postinst
    ${PROJECT_SOURCE_DIR}/packaging/maintainer-scripts/prerm
    ${PROJECT_SOURCE_DIR}/packaging/maintainer-scripts/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_STRIP_FILES ON)
include(CPack)
