# Installing the program as a player installs it, and the Debian package.
#
# cmake --install lays out, under the prefix (/usr unless given):
#   lib/brisgol/            the program directory: brisgol and everything it
#                           expects beside it (root's, not the players')
#   bin/brisgol, bin/brisgol-run
#   share/applications/, share/icons/hicolor/, share/polkit-1/actions/,
#   share/man/man1/, share/doc/brisgol/
#   /lib/systemd/system/    the redirection service's socket and service
# and, on the embedded default, the demo part in lib/brisgol/embedded/.
#
# cpack (scripts/package.sh) makes brisgol_<version>_<arch>.deb of it.
if(CMAKE_INSTALL_PREFIX_INITIALIZED_TO_DEFAULT)
  set(CMAKE_INSTALL_PREFIX /usr CACHE PATH "Install prefix" FORCE)
endif()
include(GNUInstallDirs)

set(BRISGOL_INSTALL_DIR lib/brisgol)
# The package's own prefix; the maintainer scripts name its paths.
set(BRISGOL_PACKAGE_PREFIX /usr)
set(BRISGOL_PACKAGE_DIR ${BRISGOL_PACKAGE_PREFIX}/${BRISGOL_INSTALL_DIR})
# Debian 12 keeps packaged units in /lib/systemd/system.
set(BRISGOL_SYSTEMD_UNIT_DIR /lib/systemd/system CACHE PATH "Where the systemd units are installed")

set(packaging_source ${PROJECT_SOURCE_DIR}/packaging)
set(packaging_build ${CMAKE_BINARY_DIR}/packaging)

# The program directory.
install(TARGETS brisgol local_exe update_program redirect_service brisgol_run
  RUNTIME DESTINATION ${BRISGOL_INSTALL_DIR})
install(TARGETS proxysdk brisgol_webkit brisgol_http
  LIBRARY DESTINATION ${BRISGOL_INSTALL_DIR} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
# "Localold\local.exe": the second copy the firewall registration names.
install(TARGETS local_exe RUNTIME DESTINATION ${BRISGOL_INSTALL_DIR}/Localold)
install(DIRECTORY ${BRISGOL_PROGRAM_DIR}/sys ${BRISGOL_PROGRAM_DIR}/sys2 DESTINATION ${BRISGOL_INSTALL_DIR}
  FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)

# Commands.
file(RELATIVE_PATH program_from_bin /${CMAKE_INSTALL_BINDIR} /${BRISGOL_INSTALL_DIR})
file(MAKE_DIRECTORY ${packaging_build}/links)
file(CREATE_LINK ${program_from_bin}/brisgol-run ${packaging_build}/links/brisgol-run SYMBOLIC)
install(FILES ${packaging_build}/links/brisgol-run DESTINATION ${CMAKE_INSTALL_BINDIR})

# Files that name the program directory are made when they are installed:
# cmake --install --prefix and cpack choose the prefix only then.
# brisgol_install_configured(SOURCE.in NAME FILES|PROGRAMS DESTINATION dir)
set(installed ${packaging_build}/installed)
function(brisgol_install_configured source name kind)
  install(CODE "set(BRISGOL_INSTALL_FULL_DIR \"\${CMAKE_INSTALL_PREFIX}/${BRISGOL_INSTALL_DIR}\")
configure_file(\"${source}\" \"${installed}/${name}\" @ONLY)")
  install(${kind} ${installed}/${name} ${ARGN})
endfunction()

# The redirection service: its units and its polkit action.
install(FILES ${packaging_source}/brisgol-redirectd.socket DESTINATION ${BRISGOL_SYSTEMD_UNIT_DIR})
brisgol_install_configured(${packaging_source}/brisgol-redirectd.service.in brisgol-redirectd.service FILES
  DESTINATION ${BRISGOL_SYSTEMD_UNIT_DIR})
brisgol_install_configured(${packaging_source}/org.brisgol.redirectd.policy.in org.brisgol.redirectd.policy FILES
  DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/polkit-1/actions)

# The menu entry, its icons, the manual pages and the documentation.
install(FILES ${packaging_source}/brisgol.desktop DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/applications)
install(DIRECTORY ${packaging_build}/hicolor DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/icons)
install(FILES ${packaging_build}/brisgol.1.gz ${packaging_build}/brisgol-run.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${packaging_source}/copyright DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/brisgol)
# A native package's changelog is changelog.gz.
install(FILES ${packaging_build}/changelog.gz DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/brisgol)

# The demo part, or the program itself as the command.
if(BRISGOL_EMBEDDED_DEMO)
  set(BRISGOL_EMBEDDED_DEMO_SHELL yes)
  set(embedded ${PROJECT_SOURCE_DIR}/scripts/embedded)
  brisgol_install_configured(${packaging_source}/brisgol-embedded.in brisgol PROGRAMS
    DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(PROGRAMS ${embedded}/config.sh ${embedded}/portal.sh ${embedded}/lines.sh ${embedded}/line_server.py
                   ${embedded}/portal_server.py
    DESTINATION ${BRISGOL_INSTALL_DIR}/embedded)
  install(FILES ${embedded}/server-common.inc DESTINATION ${BRISGOL_INSTALL_DIR}/embedded)
  install(FILES ${BRISGOL_DEMO_DIR}/settings.installed DESTINATION ${BRISGOL_INSTALL_DIR}/embedded RENAME settings)
  install(DIRECTORY ${embedded}/portal ${BRISGOL_DEMO_DIR}/config-docs DESTINATION ${BRISGOL_INSTALL_DIR}/embedded
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  # The portal's certificate is the machine's, made when the package is
  # installed (postinst); the program finds it beside itself.
  file(MAKE_DIRECTORY ${packaging_build}/links/portal)
  file(CREATE_LINK ${BRISGOL_INSTALLED_STATE_DIR}/portal/portal-cert.pem ${packaging_build}/links/portal/portal-cert.pem
    SYMBOLIC)
  install(FILES ${packaging_build}/links/portal/portal-cert.pem DESTINATION ${BRISGOL_INSTALL_DIR}/portal)
else()
  set(BRISGOL_EMBEDDED_DEMO_SHELL no)
  file(CREATE_LINK ${program_from_bin}/brisgol ${packaging_build}/links/brisgol SYMBOLIC)
  install(FILES ${packaging_build}/links/brisgol DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The Debian package.
foreach(script postinst prerm postrm)
  configure_file(${packaging_source}/debian/${script}.in ${packaging_build}/debian/${script} @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME brisgol)
set(CPACK_PACKAGE_VERSION ${BRISGOL_VERSION_NAME})
set(CPACK_PACKAGE_CONTACT "The Brisgol developers <dev@brisgol.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "network accelerator for online games")
set(CPACK_PACKAGE_DESCRIPTION
  "Brisgol carries the traffic of the games a player starts with brisgol-run\n"
  "through a server line of their choice: TCP connections and UDP datagrams\n"
  "alike, and nothing else on the machine. Its window shows a web portal and\n"
  "the three server lines, and keeps an icon in the notification area.")
string(JOIN "" CPACK_PACKAGE_DESCRIPTION ${CPACK_PACKAGE_DESCRIPTION})
set(CPACK_PACKAGING_INSTALL_PREFIX ${BRISGOL_PACKAGE_PREFIX})
# With DESTDIR, cpack installs under CPACK_INSTALL_PREFIX, which otherwise
# follows the build directory's CMAKE_INSTALL_PREFIX (/usr/local in a build
# directory configured before packaging existed).
set(CPACK_INSTALL_PREFIX ${BRISGOL_PACKAGE_PREFIX})
set(CPACK_STRIP_FILES ON)
# Installed with DESTDIR: the files that name the program directory get /usr,
# and the units their absolute place.
set(CPACK_SET_DESTDIR ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://brisgol.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${BRISGOL_PACKAGE_DIR})
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
# What the package runs besides the libraries it links: nftables and ip
# (the service), groupadd's and addgroup's tools (the scripts), xdg-open (the
# portal's outside addresses), pkexec where systemd does not run, and, for
# the demo, python3 (its servers) and openssl (its certificate).
set(depends "nftables, iproute2, adduser, xdg-utils")
if(BRISGOL_EMBEDDED_DEMO)
  string(APPEND depends ", python3, openssl")
endif()
set(CPACK_DEBIAN_PACKAGE_DEPENDS ${depends})
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pkexec")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA
  ${packaging_build}/debian/postinst ${packaging_build}/debian/prerm ${packaging_build}/debian/postrm)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
