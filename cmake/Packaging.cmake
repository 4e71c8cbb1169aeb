# Debian packages through CPack: `cmake --build build --target package` (or scripts/package).
# tqv580 holds the window, the command line, the desktop entry, the MIME type, the icons, the
# AppStream metadata, the manual pages and the user manual; tqv580-tools the gateway simulator.

# Manual pages from the programs' own --help, at build time.
set(TQV_MAN_DIR ${CMAKE_BINARY_DIR}/man)
set(TQV_MAN_PAGES)
foreach(entry
    "tqv580|OFF|configuration program of the TQV-580 fieldbus gateways (window)"
    "tqv580-cli|ON|configuration program of the TQV-580 fieldbus gateways (command line)"
    "tqv580-gateway-sim|OFF|a simulated TQV-580 gateway on a pseudo-terminal or on loopback")
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 name)
  list(GET parts 1 subcommands)
  list(GET parts 2 summary)
  # Examples, environment and exit status, written by hand beside the generated help.
  set(sections ${PROJECT_SOURCE_DIR}/docs/man/${name}.roff)
  if(NOT EXISTS ${sections})
    set(sections "")
  endif()
  add_custom_command(OUTPUT ${TQV_MAN_DIR}/${name}.1.gz
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TQV_MAN_DIR}
    COMMAND ${CMAKE_COMMAND} -DPROGRAM=$<TARGET_FILE:${name}> -DNAME=${name} -DSUMMARY=${summary}
            -DSUBCOMMANDS=${subcommands} -DVERSION=${PROJECT_VERSION} -DOUTPUT=${TQV_MAN_DIR}/${name}.1
            -DSECTIONS=${sections}
            -P ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake
    COMMAND gzip -9nf ${TQV_MAN_DIR}/${name}.1
    DEPENDS ${name} ${PROJECT_SOURCE_DIR}/cmake/ManPage.cmake ${sections}
    COMMENT "Manual page of ${name}"
    VERBATIM)
  list(APPEND TQV_MAN_PAGES ${TQV_MAN_DIR}/${name}.1.gz)
endforeach()
add_custom_target(tqv580-man-pages ALL DEPENDS ${TQV_MAN_PAGES})
install(FILES ${TQV_MAN_DIR}/tqv580.1.gz ${TQV_MAN_DIR}/tqv580-cli.1.gz DESTINATION share/man/man1 COMPONENT application)
install(FILES ${TQV_MAN_DIR}/tqv580-gateway-sim.1.gz DESTINATION share/man/man1 COMPONENT tools)
install(FILES ${PROJECT_SOURCE_DIR}/data/io.github.tqv580.Configurator.metainfo.xml DESTINATION share/metainfo
        COMPONENT application)

# The maintainer named in both packages and in their changelog; a builder of other packages sets
# their own (cmake -DTQV_PACKAGE_MAINTAINER="Name <address>").
set(TQV_PACKAGE_MAINTAINER "TQV-580 configurator team <tqv580@tqv580.github.io>" CACHE STRING
    "Maintainer of the Debian packages, as \"Name <address>\"")
if(NOT TQV_PACKAGE_MAINTAINER MATCHES "^[^<>]+ <[^<>@ ]+@[^<>@ ]+\\.[^<>@ ]+>$")
  message(FATAL_ERROR "TQV_PACKAGE_MAINTAINER must read \"Name <user@host.domain>\": ${TQV_PACKAGE_MAINTAINER}")
endif()

# Each package's doc directory holds the copyright and the (Debian, native) changelog.
set(TQV_DEB_DOC_DIR ${CMAKE_BINARY_DIR}/debian)
configure_file(${PROJECT_SOURCE_DIR}/data/debian/changelog.in ${TQV_DEB_DOC_DIR}/changelog @ONLY)
add_custom_command(OUTPUT ${TQV_DEB_DOC_DIR}/changelog.gz
  COMMAND gzip -9nkf ${TQV_DEB_DOC_DIR}/changelog
  DEPENDS ${TQV_DEB_DOC_DIR}/changelog
  COMMENT "Debian changelog"
  VERBATIM)
add_custom_target(tqv580-deb-changelog ALL DEPENDS ${TQV_DEB_DOC_DIR}/changelog.gz)
foreach(component application tools)
  set(package tqv580)
  if(component STREQUAL tools)
    set(package tqv580-tools)
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/data/debian/copyright ${TQV_DEB_DOC_DIR}/changelog.gz
          DESTINATION share/doc/${package} COMPONENT ${component})
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME tqv580)
set(CPACK_PACKAGE_VENDOR "TQV-580 configurator team")
set(CPACK_PACKAGE_CONTACT "${TQV_PACKAGE_MAINTAINER}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL application tools)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION electronics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_APPLICATION_PACKAGE_NAME tqv580)
set(CPACK_DEBIAN_APPLICATION_PACKAGE_SECTION electronics)
# The first line is the synopsis; CPack indents the others by one space, so none may be longer
# than 79 characters (lintian).
set(CPACK_COMPONENT_APPLICATION_DESCRIPTION [[
configuration program of the TQV-580 fieldbus gateways
Builds a gateway configuration (fieldbus, serial subnets, Modbus nodes and
commands), computes and checks its mapping addresses, keeps it in .tqv
projects, transfers it to and from gateways over a serial line or Ethernet,
monitors live data and exports it to a spreadsheet. Window (tqv580) and
command line (tqv580-cli).]])
# The export loads libxlsxwriter by its file name when it first runs instead of linking it, so
# the shared-library scan cannot see it: its package (lib<name><so version>) is named here.
get_filename_component(TQV_XLSXWRITER_SONAME "${TQV_XLSXWRITER_LIBRARY}" REALPATH)
get_filename_component(TQV_XLSXWRITER_SONAME "${TQV_XLSXWRITER_SONAME}" NAME)
string(REGEX REPLACE "^lib(.+)\\.so\\.([0-9]+).*$" "lib\\1\\2" TQV_XLSXWRITER_PACKAGE "${TQV_XLSXWRITER_SONAME}")
set(CPACK_DEBIAN_APPLICATION_PACKAGE_DEPENDS "${TQV_XLSXWRITER_PACKAGE}")
# The demo (tqv580 --demo) needs the simulator.
set(CPACK_DEBIAN_APPLICATION_PACKAGE_SUGGESTS "tqv580-tools")
set(CPACK_DEBIAN_TOOLS_PACKAGE_NAME tqv580-tools)
set(CPACK_COMPONENT_TOOLS_DESCRIPTION [[
simulated TQV-580 gateway for tests and demonstrations
tqv580-gateway-sim plays a TQV-580 gateway on a pseudo-terminal (serial
configuration and monitoring) or on 127.0.0.1 (the Ethernet gateway), with
switches for every failure.]])
include(CPack)
