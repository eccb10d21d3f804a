# Run by CPack once the components are installed into its staging folder, before each Debian package is
# made: the manual pages compressed, and in every package /usr/share/doc/PACKAGE with the copyright file
# and the compressed Debian changelog, its lintian overrides, and the tmpfiles.d entry of the default device's folder.
foreach(component package IN ZIP_LISTS CPACK_KESTRAV_COMPONENTS CPACK_KESTRAV_PACKAGES)
    set(root ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/${component}${CPACK_PACKAGING_INSTALL_PREFIX})
    if(NOT IS_DIRECTORY ${root})
        continue()
    endif()
    file(GLOB pages ${root}/share/man/man[1-9]/*.[1-9])
    foreach(page IN LISTS pages)
        execute_process(COMMAND gzip -9nf ${page} COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
    set(doc ${root}/share/doc/${package})
    file(MAKE_DIRECTORY ${doc})
    file(COPY ${CPACK_KESTRAV_DEBIAN_DIR}/copyright DESTINATION ${doc}
         FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    configure_file(${CPACK_KESTRAV_DEBIAN_DIR}/changelog.in ${doc}/changelog.Debian @ONLY)
    execute_process(COMMAND gzip -9nf ${doc}/changelog.Debian COMMAND_ERROR_IS_FATAL ANY)
    file(CHMOD ${doc}/changelog.Debian.gz PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
    configure_file(${CPACK_KESTRAV_DEBIAN_DIR}/${package}.lintian-overrides
                   ${root}/share/lintian/overrides/${package} COPYONLY)
endforeach()

# The default device's folder, made again at boot should it be removed (the postinst makes it first).
set(root ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/cli${CPACK_PACKAGING_INSTALL_PREFIX})
if(IS_DIRECTORY ${root})
    file(COPY ${CPACK_KESTRAV_TMPFILES} DESTINATION ${root}/lib/tmpfiles.d
         FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
endif()
