# GNU Octave as a second, real host. Each extension function is built three
# ways, each in its own folder of octave/, beside its help file, the files its
# self tests read and the self tests:
#   oct/<name>.oct      the native Octave function that Octave users get: the
#                       source unit linked with the binding of the host
#                       operations onto Octave's values, by
#                       interface/octave/build_oct.m;
#   mex/<name>.mex      the same unit built with Octave's mkoctfile --mex, on
#                       Octave's own MEX layer;
#   bridged/<name>.mex  the .mexa64 deliverable itself, copied under the
#                       extension Octave looks for, run unmodified on the bridge
#                       libraries in octave/bridge/.
# The target octave builds them all.
find_program(MKOCTFILE mkoctfile REQUIRED)
# Every test starts Octave's octave-cli, which must be on the path, through this
# launcher, which gives it a standard input of its own whatever ctest was given.
find_program(OCTAVE_CLI octave-cli REQUIRED)
set(OCTAVE ${PROJECT_SOURCE_DIR}/scripts/octave)
execute_process(COMMAND ${MKOCTFILE} -p OCTINCLUDEDIR
                OUTPUT_VARIABLE OCTAVE_INCLUDE_DIR OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
set(OCTAVE_DIR ${PROJECT_BINARY_DIR}/octave)
set(OCTAVE_BUILDS oct mex bridged)
set(OCTAVE_BINDING ${PROJECT_SOURCE_DIR}/interface/octave)
# The binding as the Octave package's src/octave/ holds it, and with what
# builds a function with it: build_oct lays them out beside a source unit.
set(OCTAVE_PACKAGE_BINDING binding.h exports.map operations.cpp values.cpp vector_moves_probe.cpp)
list(TRANSFORM OCTAVE_PACKAGE_BINDING PREPEND ${OCTAVE_BINDING}/)
set(OCTAVE_BINDING_FILES ${OCTAVE_PACKAGE_BINDING} ${OCTAVE_BINDING}/Makefile
                         ${OCTAVE_BINDING}/build_oct.m ${OCTAVE_BINDING}/write_function_header.m)
# The test builds are held to the deliverables' warnings.
set(OCTAVE_WARNING_FLAGS "-Wall -Wextra -Werror")
set(OCTAVE_MEX_FLAGS "-O2 -ffp-contract=off -fno-fast-math -fno-tree-ter ${OCTAVE_WARNING_FLAGS}")
add_custom_target(octave ALL)

# The self tests beside every build, as a release places them.
list(TRANSFORM SELF_TESTS PREPEND ${SELF_TESTS_DIR}/ OUTPUT_VARIABLE self_test_sources)
set(self_test_copies "")
foreach(build IN LISTS OCTAVE_BUILDS)
    list(APPEND self_test_copies
         COMMAND ${CMAKE_COMMAND} -E rm -rf ${OCTAVE_DIR}/${build}/private
         COMMAND ${CMAKE_COMMAND} -E copy_directory ${SELF_TESTS_DIR} ${OCTAVE_DIR}/${build})
endforeach()
add_custom_command(
    OUTPUT ${OCTAVE_DIR}/self-tests.stamp
    ${self_test_copies}
    COMMAND ${CMAKE_COMMAND} -E touch ${OCTAVE_DIR}/self-tests.stamp
    DEPENDS ${self_test_sources}
    COMMENT "Copying the self tests")
add_custom_target(octave_self_tests DEPENDS ${OCTAVE_DIR}/self-tests.stamp)
add_dependencies(octave octave_self_tests)

# add_octave_builds(name source file...): the files are the help file and those
# its self tests read.
function(add_octave_builds name source)
    set(unit ${PROJECT_SOURCE_DIR}/${source})
    list(GET ARGN 0 help_file)
    set(oct ${OCTAVE_DIR}/oct/${name}.oct)
    set(mex ${OCTAVE_DIR}/mex/${name}.mex)
    set(bridged ${OCTAVE_DIR}/bridged/${name}.mex)
    add_custom_command(
        OUTPUT ${oct}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${OCTAVE_DIR}/oct
        COMMAND ${OCTAVE} --eval
                "addpath ('${OCTAVE_BINDING}'); build_oct ('${unit}', '${help_file}', '${oct}', '${OCTAVE_WARNING_FLAGS}');"
        DEPENDS ${unit} ${help_file} ${PROJECT_SOURCE_DIR}/interface/mex.h ${OCTAVE_BINDING_FILES}
        VERBATIM
        COMMENT "Building ${name}.oct for Octave")
    add_custom_command(
        OUTPUT ${mex}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${OCTAVE_DIR}/mex
        COMMAND ${CMAKE_COMMAND} -E env "CXXFLAGS=${OCTAVE_MEX_FLAGS}"
                ${MKOCTFILE} --mex -o ${mex} ${unit}
        DEPENDS ${unit}
        COMMENT "Building ${name}.mex for Octave")
    add_custom_command(
        OUTPUT ${bridged}
        COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:${name}> ${bridged}
        DEPENDS ${name}
        COMMENT "Copying ${name}.mexa64 for Octave")
    set(copies "")
    set(copy_commands "")
    foreach(build IN LISTS OCTAVE_BUILDS)
        foreach(file IN LISTS ARGN)
            get_filename_component(file_name ${file} NAME)
            list(APPEND copies ${OCTAVE_DIR}/${build}/${file_name})
        endforeach()
        list(APPEND copy_commands
             COMMAND ${CMAKE_COMMAND} -E copy ${ARGN} ${OCTAVE_DIR}/${build}/)
    endforeach()
    add_custom_command(
        OUTPUT ${copies}
        ${copy_commands}
        DEPENDS ${ARGN}
        COMMENT "Copying the help file of ${name} and what its self tests read")
    add_custom_target(${name}_octave DEPENDS ${oct} ${mex} ${bridged} ${copies})
    add_dependencies(octave ${name}_octave)
endfunction()
