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
