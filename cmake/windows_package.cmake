# What is handed to a Windows server: kestrav.exe without its debug information (the tests run the build's
# own copy, which keeps it), in release/.
set(release_dir ${CMAKE_BINARY_DIR}/release)
add_custom_command(
    OUTPUT ${release_dir}/kestrav.exe
    COMMAND ${CMAKE_COMMAND} -E make_directory ${release_dir}
    COMMAND ${CMAKE_STRIP} --strip-all -o ${release_dir}/kestrav.exe $<TARGET_FILE:kestrav>
    DEPENDS kestrav
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
                  ${PROJECT_SOURCE_DIR}/src/resources/kestrav.ico)
    add_custom_command(
        OUTPUT ${CMAKE_BINARY_DIR}/kestrav.msi
        COMMAND ${CMAKE_COMMAND} -E rm -rf ${msi_dir}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${msi_dir}
        COMMAND ${CMAKE_COMMAND} -E copy ${msi_files} ${release_dir}/kestrav.exe ${msi_dir}
        COMMAND ${KESTRAV_WIXL} -a x64 -D Version=${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.0.0
                -o ${CMAKE_BINARY_DIR}/kestrav.msi ${msi_dir}/kestrav.wxs
        DEPENDS ${msi_files} ${release_dir}/kestrav.exe
        COMMENT "Building kestrav.msi")
    add_custom_target(kestrav_msi ALL DEPENDS ${CMAKE_BINARY_DIR}/kestrav.msi)
else()
    message(STATUS "wixl not found: no kestrav.msi (Debian package wixl)")
endif()
