# What the build fixes: the release, the server lines, the addresses of the
# configuration and portal servers. The defaults are the embedded default:
# everything on 127.0.0.1, served by scripts/embedded/ (see README). A
# deployment sets these cache variables.
set(BRISGOL_VERSION_CODE 4 CACHE STRING "Release version code compared with the remote document")
set(BRISGOL_VERSION_NAME "1.0.4" CACHE STRING "Release version name")
set(BRISGOL_CONFIG_HOST "127.0.0.1:18480" CACHE STRING "Configuration file server (host:port, plain HTTP)")
set(BRISGOL_PORTAL_HOST "127.0.0.1:18443" CACHE STRING "Portal host (HTTPS)")
set(BRISGOL_LINE1_ADDRESS "127.0.0.1" CACHE STRING "Server line 1 (IPv4)")
set(BRISGOL_LINE2_ADDRESS "127.0.0.1" CACHE STRING "Server line 2 (IPv4)")
set(BRISGOL_LINE3_ADDRESS "127.0.0.1" CACHE STRING "Server line 3 (IPv4)")

# The portal host's name without its port, and how a certificate names it.
string(REGEX REPLACE ":[0-9]+$" "" BRISGOL_PORTAL_NAME "${BRISGOL_PORTAL_HOST}")
if(BRISGOL_PORTAL_NAME MATCHES "^[0-9.]+$")
  set(BRISGOL_PORTAL_SAN "IP:${BRISGOL_PORTAL_NAME}")
else()
  set(BRISGOL_PORTAL_SAN "DNS:${BRISGOL_PORTAL_NAME}")
endif()

configure_file(${PROJECT_SOURCE_DIR}/cmake/BuildSettings.h.in ${CMAKE_BINARY_DIR}/generated/BuildSettings.h @ONLY)
add_library(bg_build_settings INTERFACE)
target_include_directories(bg_build_settings INTERFACE ${CMAKE_BINARY_DIR}/generated)
