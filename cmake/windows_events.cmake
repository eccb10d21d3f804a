# The event log's message table: windmc compiles src/resources/kestrav_events.mc into a resource script and
# its UTF-16 message file, and the script joins the program's other resources.
find_program(KESTRAV_WINDMC NAMES ${KESTRAV_MINGW_TRIPLET}-windmc x86_64-w64-mingw32-windmc REQUIRED)
set(events_dir ${CMAKE_BINARY_DIR}/events)
add_custom_command(
    OUTPUT ${events_dir}/kestrav_events.rc ${events_dir}/MSG00409.bin
    COMMAND ${CMAKE_COMMAND} -E make_directory ${events_dir}
    COMMAND ${KESTRAV_WINDMC} -U -h ${events_dir} -r ${events_dir} ${PROJECT_SOURCE_DIR}/src/resources/kestrav_events.mc
    DEPENDS ${PROJECT_SOURCE_DIR}/src/resources/kestrav_events.mc
    COMMENT "Compiling the event log's message table")
target_sources(kestrav_resources_rc PRIVATE ${events_dir}/kestrav_events.rc)
target_include_directories(kestrav_resources_rc PRIVATE ${events_dir})
set_source_files_properties(${events_dir}/kestrav_events.rc PROPERTIES OBJECT_DEPENDS ${events_dir}/MSG00409.bin)
