# GNU Octave as a second, real host. Each extension function is also built
# natively with Octave's mkoctfile (octave/native/<name>.mex), and its .mexa64
# deliverable is copied under the extension Octave looks for
# (octave/bridged/<name>.mex), to run unmodified on the bridge libraries in
# octave/bridge/. Its help file and the files its self tests read sit beside
# both, and so do the self tests. The target octave builds them all.
find_program(MKOCTFILE mkoctfile REQUIRED)
# Every test starts Octave's octave-cli, which must be on the path, through this
# launcher, which gives it a standard input of its own whatever ctest was given.
find_program(OCTAVE_CLI octave-cli REQUIRED)
set(OCTAVE ${PROJECT_SOURCE_DIR}/scripts/octave)
execute_process(COMMAND ${MKOCTFILE} -p OCTINCLUDEDIR
                OUTPUT_VARIABLE OCTAVE_INCLUDE_DIR OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
set(OCTAVE_DIR ${PROJECT_BINARY_DIR}/octave)
set(OCTAVE_MEX_FLAGS "-O2 -ffp-contract=off -fno-fast-math -fno-tree-ter -Wall -Wextra -Werror")
add_custom_target(octave ALL)

# The self tests beside both builds, as a release places them.
list(TRANSFORM SELF_TESTS PREPEND ${SELF_TESTS_DIR}/ OUTPUT_VARIABLE self_test_sources)
add_custom_command(
    OUTPUT ${OCTAVE_DIR}/self-tests.stamp
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${OCTAVE_DIR}/native/private ${OCTAVE_DIR}/bridged/private
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${SELF_TESTS_DIR} ${OCTAVE_DIR}/native
    COMMAND ${CMAKE_COMMAND} -E copy_directory ${SELF_TESTS_DIR} ${OCTAVE_DIR}/bridged
    COMMAND ${CMAKE_COMMAND} -E touch ${OCTAVE_DIR}/self-tests.stamp
    DEPENDS ${self_test_sources}
    COMMENT "Copying the self tests")
add_custom_target(octave_self_tests DEPENDS ${OCTAVE_DIR}/self-tests.stamp)
add_dependencies(octave octave_self_tests)

# add_octave_mex(name source file...): the files are the help file and those
# its self tests read.
function(add_octave_mex name source)
    set(native ${OCTAVE_DIR}/native/${name}.mex)
    set(bridged ${OCTAVE_DIR}/bridged/${name}.mex)
    set(copies "")
    foreach(file IN LISTS ARGN)
        get_filename_component(file_name ${file} NAME)
        list(APPEND copies ${OCTAVE_DIR}/native/${file_name} ${OCTAVE_DIR}/bridged/${file_name})
    endforeach()
    add_custom_command(
        OUTPUT ${native}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${OCTAVE_DIR}/native
        COMMAND ${CMAKE_COMMAND} -E env "CXXFLAGS=${OCTAVE_MEX_FLAGS}"
                ${MKOCTFILE} --mex -o ${native} ${PROJECT_SOURCE_DIR}/${source}
        DEPENDS ${PROJECT_SOURCE_DIR}/${source}
        COMMENT "Building ${name}.mex for Octave")
    add_custom_command(
        OUTPUT ${bridged}
        COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${name}> ${bridged}
        DEPENDS ${name}
        COMMENT "Copying ${name}.mexa64 for Octave")
    add_custom_command(
        OUTPUT ${copies}
        COMMAND ${CMAKE_COMMAND} -E copy ${ARGN} ${OCTAVE_DIR}/native/
        COMMAND ${CMAKE_COMMAND} -E copy ${ARGN} ${OCTAVE_DIR}/bridged/
        DEPENDS ${ARGN}
        COMMENT "Copying the help file of ${name} and what its self tests read")
    add_custom_target(${name}_octave DEPENDS ${native} ${bridged} ${copies})
    add_dependencies(octave ${name}_octave)
endfunction()
