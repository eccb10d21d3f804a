# Debian packages made by `cpack -G DEB`, one per install component: "kestrav" (the command line; its
# Depends come from dpkg-shlibdeps and hold no Qt) and "kestrav-viewer" (the window module, which depends on
# the same version of kestrav and on the Qt libraries it links). kestrav makes the zorhlth group and the
# folder of the default health device; cmake/package_docs.cmake adds what a Debian package carries besides
# the installed files. Each description's first line is its synopsis; CPack indents the other lines and
# turns an empty one into the paragraph break.
set(CPACK_PACKAGE_NAME kestrav)
set(CPACK_PACKAGE_VENDOR "The Kestrav developers")
# The address is a placeholder until the project has a list of its own.
set(CPACK_PACKAGE_CONTACT "Kestrav developers <kestrav-maintainers@example.org>")
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
Reads the Corvane Log, the hardware event log that a server's firmware
keeps, exports it to comma-separated files, clears it, appends
maintenance notes and answers queries (list, JSON, CSV, filters) from
the command line. Includes healthsim, which manages emulated health
devices.

Members of the zorhlth group may read the log of the default device;
changing it needs write access. This package needs no windowing
toolkit; the window is in kestrav-viewer.")
set(CPACK_DEBIAN_CLI_PACKAGE_DEPENDS passwd)
list(APPEND CPACK_DEBIAN_CLI_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/packaging/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_VIEWER_PACKAGE_NAME kestrav-viewer)
set(CPACK_DEBIAN_VIEWER_PACKAGE_SECTION x11)
set(CPACK_DEBIAN_VIEWER_PACKAGE_DEPENDS "kestrav (= ${PROJECT_VERSION}-1)")
set(CPACK_DEBIAN_VIEWER_DESCRIPTION "window for the Corvane hardware event log (Qt)
The Corvane Log as a sortable list with export, clear, mark repaired
and maintenance notes, opened by running kestrav without options.")

set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/package_docs.cmake)
set(CPACK_KESTRAV_DEBIAN_DIR ${PROJECT_SOURCE_DIR}/packaging/debian)
set(CPACK_KESTRAV_TMPFILES ${PROJECT_SOURCE_DIR}/packaging/tmpfiles/kestrav.conf)
set(CPACK_KESTRAV_COMPONENTS cli viewer)
set(CPACK_KESTRAV_PACKAGES kestrav kestrav-viewer)
include(CPack)
