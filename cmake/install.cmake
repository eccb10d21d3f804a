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

# The systemd units (follow into the journal, metrics and the daily export-and-clear with their timers) and
# the logrotate rule for the export's status log, in the cli component. The units name the installed
# program, so they are written at install time for the prefix then in effect (cpack's /usr included).
set(KESTRAV_UNITS kestrav-follow.service kestrav-metrics.service kestrav-metrics.timer kestrav-export.service
                  kestrav-export.timer)
# Each install writes them into a folder of its own, so that installs to two prefixes at once do not mix.
install(CODE "
    set(KESTRAV_BIN \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    string(RANDOM LENGTH 12 stage)
    set(stage \"${CMAKE_BINARY_DIR}/packaging/systemd-\${stage}\")
    foreach(unit ${KESTRAV_UNITS})
        set(source \"${PROJECT_SOURCE_DIR}/packaging/systemd/\${unit}\")
        if(EXISTS \"\${source}.in\")
            configure_file(\"\${source}.in\" \"\${stage}/\${unit}\" @ONLY)
        else()
            configure_file(\"\${source}\" \"\${stage}/\${unit}\" COPYONLY)
        endif()
        file(INSTALL \"\${stage}/\${unit}\" DESTINATION \"\${CMAKE_INSTALL_PREFIX}/lib/systemd/system\"
             FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    endforeach()
    file(REMOVE_RECURSE \"\${stage}\")" COMPONENT cli)
# The logrotate rule goes to /etc for the prefix /usr (the package), otherwise to the prefix's etc.
install(CODE "
    set(etc \"\${CMAKE_INSTALL_PREFIX}/etc\")
    if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
        set(etc /etc)
    endif()
    file(INSTALL \"${PROJECT_SOURCE_DIR}/packaging/systemd/kestrav.logrotate\" DESTINATION \"\${etc}/logrotate.d\"
         RENAME kestrav FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)" COMPONENT cli)
# A file under /etc in the package is a conffile.
file(WRITE ${CMAKE_BINARY_DIR}/packaging/conffiles "/etc/logrotate.d/kestrav\n")
list(APPEND CPACK_DEBIAN_CLI_PACKAGE_CONTROL_EXTRA ${CMAKE_BINARY_DIR}/packaging/conffiles)

# The monitoring check's command definitions for Nagios/Naemon and Icinga 2, in the cli component: examples
# beside the program's data, not in the engines' own folders, where they would be loaded on hosts that run
# no engine, or where the engine runs the check elsewhere (an agent, NRPE). They name the installed program,
# so they are written at install time, as the units are.
install(CODE "
    set(KESTRAV_BIN \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    string(RANDOM LENGTH 12 stage)
    set(stage \"${CMAKE_BINARY_DIR}/packaging/monitoring-\${stage}\")
    foreach(file kestrav.cfg kestrav.conf)
        configure_file(\"${PROJECT_SOURCE_DIR}/packaging/monitoring/\${file}.in\" \"\${stage}/\${file}\" @ONLY)
        file(INSTALL \"\${stage}/\${file}\" DESTINATION \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_DATADIR}/kestrav/monitoring\"
             FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    endforeach()
    file(REMOVE_RECURSE \"\${stage}\")" COMPONENT cli)
