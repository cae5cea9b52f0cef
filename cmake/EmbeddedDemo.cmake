# The demo part of the embedded default: the local configuration, portal
# and line servers of scripts/embedded/ with what they serve. A build whose
# configuration host, portal host and three lines are all on this machine
# (127.0.0.0/8, the defaults) has it; a build for a deployment has none.
#
# The build makes, under build/embedded/:
#   settings       what the servers' scripts read (hosts, lines, the
#                  portal certificate and its key)
#   config-docs/   the demo documents, sealed here with the document key,
#                  so that neither the servers nor a package need the key
# and settings.installed, the settings of the installed demo part.
set(BRISGOL_EMBEDDED_DEMO ON)
foreach(setting BRISGOL_CONFIG_HOST BRISGOL_PORTAL_HOST BRISGOL_LINE1_ADDRESS BRISGOL_LINE2_ADDRESS
                BRISGOL_LINE3_ADDRESS)
  if(NOT "${${setting}}" MATCHES "^127\\.[0-9]+\\.[0-9]+\\.[0-9]+(:[0-9]+)?$")
    set(BRISGOL_EMBEDDED_DEMO OFF)
  endif()
endforeach()

set(BRISGOL_DEMO_DIR ${CMAKE_BINARY_DIR}/embedded)
# The installed demo part keeps the portal's certificate and key in the
# package's state, made for each machine when the package is installed.
set(BRISGOL_INSTALLED_STATE_DIR /var/lib/brisgol)

if(BRISGOL_EMBEDDED_DEMO)
  set(demo_lines "${BRISGOL_LINE1_ADDRESS}:38649 ${BRISGOL_LINE2_ADDRESS}:38549 ${BRISGOL_LINE3_ADDRESS}:6199")
  file(WRITE ${BRISGOL_DEMO_DIR}/settings
    "config_host=${BRISGOL_CONFIG_HOST}\n"
    "portal_host=${BRISGOL_PORTAL_HOST}\n"
    "portal_cert=${BRISGOL_PROGRAM_DIR}/portal/portal-cert.pem\n"
    "portal_key=${BRISGOL_DEMO_DIR}/portal-key.pem\n"
    "lines=${demo_lines}\n")
  file(WRITE ${BRISGOL_DEMO_DIR}/settings.installed
    "config_host=${BRISGOL_CONFIG_HOST}\n"
    "portal_host=${BRISGOL_PORTAL_HOST}\n"
    "portal_cert=${BRISGOL_INSTALLED_STATE_DIR}/portal/portal-cert.pem\n"
    "portal_key=${BRISGOL_INSTALLED_STATE_DIR}/portal/portal-key.pem\n"
    "lines=${demo_lines}\n")

  set(sealed ${BRISGOL_DEMO_DIR}/config-docs/tolvene/config.txt
             ${BRISGOL_DEMO_DIR}/config-docs/whitelist/WebWhiteList.txt
             ${BRISGOL_DEMO_DIR}/config-docs/whitelist/OutWebWhiteList.txt)
  add_custom_command(
    OUTPUT ${sealed}
    COMMAND ${PROJECT_SOURCE_DIR}/scripts/embedded/seal-documents.sh $<TARGET_FILE:docseal> ${BRISGOL_DOCUMENT_KEY}
            ${BRISGOL_CONFIG_HOST} ${BRISGOL_PORTAL_HOST} ${BRISGOL_DEMO_DIR}/config-docs
    DEPENDS docseal ${BRISGOL_DOCUMENT_KEY} ${PROJECT_SOURCE_DIR}/scripts/embedded/seal-documents.sh
    COMMENT "Sealing the demo documents"
    VERBATIM)
  add_custom_target(demo_documents ALL DEPENDS ${sealed})
else()
  file(REMOVE ${BRISGOL_DEMO_DIR}/settings ${BRISGOL_DEMO_DIR}/settings.installed)
endif()
