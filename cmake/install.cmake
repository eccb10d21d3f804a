# What `cmake --install` puts where, in two components: "cli", the command line (kestrav, healthsim, their
# manual pages and bash completions), which needs no windowing toolkit, and "viewer", the window module
# with its desktop entry and AppStream metadata. Both programs go to bin: the window is started from a
# desktop session's menu, where sbin is not on an ordinary user's path, and on Linux the right to reach the
# health device is the device file's, not the program's.
set(KESTRAV_BASHCOMPDIR ${CMAKE_INSTALL_DATADIR}/bash-completion/completions)
set(KESTRAV_APP_ID org.kestrav.Kestrav)

install(TARGETS kestrav healthsim RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT cli)
foreach(page kestrav.8 healthsim.8)
    configure_file(docs/man/${page}.in ${CMAKE_BINARY_DIR}/docs/man/${page} @ONLY)
    install(FILES ${CMAKE_BINARY_DIR}/docs/man/${page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man8 COMPONENT cli)
endforeach()
install(FILES packaging/completion/kestrav packaging/completion/healthsim DESTINATION ${KESTRAV_BASHCOMPDIR}
        COMPONENT cli)

configure_file(packaging/desktop/${KESTRAV_APP_ID}.metainfo.xml ${CMAKE_BINARY_DIR}/packaging/${KESTRAV_APP_ID}.metainfo.xml
               @ONLY)
if(TARGET kestrav_viewer_plugin)
    install(TARGETS kestrav_viewer_plugin LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}/kestrav COMPONENT viewer)
    install(FILES packaging/desktop/${KESTRAV_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications
            COMPONENT viewer)
    install(FILES ${CMAKE_BINARY_DIR}/packaging/${KESTRAV_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo COMPONENT viewer)
endif()
