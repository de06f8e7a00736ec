# The product's version, in one place: read before project() by the daemon's
# build (CMakeLists.txt) and by the extension agent's (windows/CMakeLists.txt),
# and written into korvoversion.h (src/agent/korvoversion.h.in) and the package's
# version.
set(KORVO_VERSION 3.18.0.2)
# The release date the daemon's banner gives beside the version.
set(KORVO_RELEASE_DATE "Mar 19th, 2015")
