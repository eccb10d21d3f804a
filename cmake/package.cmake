# Debian packages made by `cpack -G DEB`, one per install component: "kestrav" (the command line; its
# Depends come from dpkg-shlibdeps and hold no Qt) and "kestrav-viewer" (the window module, which depends on
# the same version of kestrav and on the Qt libraries it links).
set(CPACK_PACKAGE_NAME kestrav)
set(CPACK_PACKAGE_VENDOR "The Kestrav developers")
set(CPACK_PACKAGE_CONTACT "Kestrav developers <kestrav@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "administrator's tool for the Corvane hardware event log")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL cli)
if(TARGET kestrav_viewer_plugin)
    list(APPEND CPACK_COMPONENTS_ALL viewer)
endif()

set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION admin)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_CLI_PACKAGE_NAME kestrav)
set(CPACK_DEBIAN_CLI_DESCRIPTION "administrator's tool for the Corvane hardware event log
 Reads the Corvane Log, the hardware event log that a server's firmware keeps, exports it to
 comma-separated files, clears it, appends maintenance notes and answers queries (list, JSON, CSV,
 filters) from the command line. Includes healthsim, which manages emulated health devices.
 .
 This package needs no windowing toolkit; the window is in kestrav-viewer.")
set(CPACK_DEBIAN_VIEWER_PACKAGE_NAME kestrav-viewer)
set(CPACK_DEBIAN_VIEWER_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_VIEWER_PACKAGE_DEPENDS "kestrav (= ${PROJECT_VERSION}-1)")
set(CPACK_DEBIAN_VIEWER_DESCRIPTION "window for the Corvane hardware event log (Qt)
 The Corvane Log as a sortable list with export, clear, mark repaired and maintenance notes,
 opened by running kestrav without options.")
include(CPack)
