# GNU Octave as a second, real host. Each extension function is also built
# natively with Octave's mkoctfile (octave/native/<name>.mex), and its .mexa64
# deliverable is copied under the extension Octave looks for
# (octave/bridged/<name>.mex), to run unmodified on the bridge libraries in
# octave/bridge/. Its help file, which holds its Octave self tests, sits beside
# both. The target octave builds them all.
find_program(MKOCTFILE mkoctfile REQUIRED)
find_program(OCTAVE_CLI octave-cli REQUIRED)
execute_process(COMMAND ${MKOCTFILE} -p OCTINCLUDEDIR
                OUTPUT_VARIABLE OCTAVE_INCLUDE_DIR OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
set(OCTAVE_DIR ${PROJECT_BINARY_DIR}/octave)
set(OCTAVE_MEX_FLAGS "-O2 -ffp-contract=off -fno-tree-ter -Wall -Wextra -Werror")
add_custom_target(octave ALL)

function(add_octave_mex name source help)
    set(native ${OCTAVE_DIR}/native/${name}.mex)
    set(bridged ${OCTAVE_DIR}/bridged/${name}.mex)
    set(helps ${OCTAVE_DIR}/native/${name}.m ${OCTAVE_DIR}/bridged/${name}.m)
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
        OUTPUT ${helps}
        COMMAND ${CMAKE_COMMAND} -E copy ${help} ${OCTAVE_DIR}/native/
        COMMAND ${CMAKE_COMMAND} -E copy ${help} ${OCTAVE_DIR}/bridged/
        DEPENDS ${help}
        COMMENT "Copying the help file of ${name}")
    add_custom_target(${name}_octave DEPENDS ${native} ${bridged} ${helps})
    add_dependencies(octave ${name}_octave)
endfunction()
