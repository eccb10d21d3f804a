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

# kestrav.msi (packaging/windows/kestrav.wxs), built by msitools' wixl from the files gathered in msi/ (it
# finds them beside the .wxs); the version is the project's.
find_program(KESTRAV_WIXL wixl)
if(KESTRAV_WIXL)
    set(msi_dir ${CMAKE_BINARY_DIR}/msi)
    set(msi_files ${PROJECT_SOURCE_DIR}/packaging/windows/kestrav.wxs
                  ${PROJECT_SOURCE_DIR}/packaging/windows/LICENSE.txt
                  ${PROJECT_SOURCE_DIR}/packaging/windows/kestrav-task.xml ${PROJECT_SOURCE_DIR}/README.md
                  ${PROJECT_SOURCE_DIR}/docs/windows.md
                  ${PROJECT_SOURCE_DIR}/src/resources/kestrav.ico)
    add_custom_command(
        OUTPUT ${CMAKE_BINARY_DIR}/kestrav.msi
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${msi_dir}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${msi_dir}
        COMMAND ${CMAKE_COMMAND} -E copy ${msi_files} ${release_dir}/kestrav.exe ${msi_dir}
        COMMAND ${KESTRAV_WIXL} -a x64 -D Version=${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0
                -o ${CMAKE_BINARY_DIR}/kestrav.msi ${msi_dir}/kestrav.wxs
        COMMAND ${sign_command} ${CMAKE_BINARY_DIR}/kestrav.msi ${sign_arguments}
        DEPENDS ${msi_files} ${release_dir}/kestrav.exe ${sign_command}
        COMMENT "Building kestrav.msi")
    add_custom_target(kestrav_msi ALL DEPENDS ${CMAKE_BINARY_DIR}/kestrav.msi)
else()
    message(STATUS "wixl not found: no kestrav.msi (Debian package wixl)")
endif()
