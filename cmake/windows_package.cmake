# What is handed to a Windows server: kestrav.exe without its debug information (the tests run the build's
# own copy, which keeps it), in release/, and kestrav.msi; both signed by scripts/sign-windows when a
# certificate is given (KESTRAV_SIGN_CERTIFICATE, with KESTRAV_SIGN_KEY for a separate key; the password in
# the environment's KESTRAV_SIGN_PASSWORD).
set(KESTRAV_SIGN_CERTIFICATE "" CACHE FILEPATH "Certificate (PKCS#12, or PEM with KESTRAV_SIGN_KEY) that signs the release files")
set(KESTRAV_SIGN_KEY "" CACHE FILEPATH "Key file of KESTRAV_SIGN_CERTIFICATE when it is not PKCS#12")
set(sign_command ${PROJECT_SOURCE_DIR}/scripts/sign-windows)
set(sign_arguments)
if(KESTRAV_SIGN_CERTIFICATE)
    list(APPEND sign_arguments ${KESTRAV_SIGN_CERTIFICATE} ${KESTRAV_SIGN_KEY})
endif()

set(release_dir ${CMAKE_BINARY_DIR}/release)
add_custom_command(
    OUTPUT ${release_dir}/kestrav.exe
    COMMAND ${CMAKE_COMMAND} -E make_directory ${release_dir}
    COMMAND ${CMAKE_STRIP} --strip-all -o ${release_dir}/kestrav.exe $<TARGET_FILE:kestrav>
    COMMAND ${sign_command} ${release_dir}/kestrav.exe ${sign_arguments}
    DEPENDS kestrav ${sign_command}
    COMMENT "Stripping kestrav.exe")
add_custom_target(kestrav_release ALL DEPENDS ${release_dir}/kestrav.exe)

# kestrav.msi (packaging/windows/kestrav.wxs), built by msitools' wixl from the files gathered in a folder
# of its own (it finds them beside the .wxs); the version is the project's. The upgrade code stays the same for every
# version, so that an installation of a newer one replaces the older (a major upgrade); the product code is
# made from the version, the same for each build of one version and another for the next.
find_program(KESTRAV_WIXL wixl)
set(KESTRAV_UPGRADE_CODE 5B3E2C1A-7D4F-4E8B-9A61-2C0F3D9E7B14)

# kestrav_add_msi(TARGET MSI EXE VERSION): a target that builds MSI (signed like the release files) with EXE
# as the program and VERSION (four numbers) as the product's version.
function(kestrav_add_msi target msi exe version)
    get_filename_component(name ${msi} NAME_WE)
    set(msi_dir ${CMAKE_CURRENT_BINARY_DIR}/${name}-files)
    set(msi_files ${PROJECT_SOURCE_DIR}/packaging/windows/kestrav.wxs
                  ${PROJECT_SOURCE_DIR}/packaging/windows/LICENSE.txt
                  ${PROJECT_SOURCE_DIR}/packaging/windows/kestrav-task.xml
                  ${PROJECT_SOURCE_DIR}/packaging/windows/kestrav-follow-task.xml ${PROJECT_SOURCE_DIR}/README.md
                  ${PROJECT_SOURCE_DIR}/docs/windows.md
                  ${PROJECT_SOURCE_DIR}/src/resources/kestrav.ico)
    string(UUID product_code NAMESPACE ${KESTRAV_UPGRADE_CODE} NAME "Kestrav ${version}" TYPE SHA1 UPPER)
    add_custom_command(
        OUTPUT ${msi}
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${msi_dir}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${msi_dir}
        COMMAND ${CMAKE_COMMAND} -E copy ${msi_files} ${msi_dir}
        COMMAND ${CMAKE_COMMAND} -E copy ${exe} ${msi_dir}/kestrav.exe
        COMMAND ${KESTRAV_WIXL} -a x64 -D Version=${version} -D ProductCode=${product_code}
                -D UpgradeCode=${KESTRAV_UPGRADE_CODE} -o ${msi} ${msi_dir}/kestrav.wxs
        COMMAND ${sign_command} ${msi} ${sign_arguments}
        DEPENDS ${msi_files} ${exe} ${sign_command}
        COMMENT "Building ${name}.msi")
    add_custom_target(${target} ALL DEPENDS ${msi})
endfunction()

if(KESTRAV_WIXL)
    kestrav_add_msi(kestrav_msi ${CMAKE_BINARY_DIR}/kestrav.msi ${release_dir}/kestrav.exe
                    ${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0)
else()
    message(STATUS "wixl not found: no kestrav.msi (Debian package wixl)")
endif()
