# The release files, made by CPack (package presets): for MATLAB, a zip of this
# build's deliverables with their help files, the help index, the user README
# and the license, inside one top folder (component matlab); from the Linux
# build also the Octave package (component octave), the source units in
# Octave's package layout, which Octave's pkg builds on the user's machine.
# Every file is taken from its one copy in the repository or made here. CPack
# stages each component, ReleasePack.cmake packs it the same way for everyone,
# and the release files go to build/release/, with their checksums in
# SHA256SUMS.
set(RELEASE_NAME nubrik-quenrel-${PROJECT_VERSION})
set(RELEASE_DIR ${PROJECT_SOURCE_DIR}/build/release)
string(REGEX MATCH "^([0-9]+)-([0-9]+)-([0-9]+)$" parsed ${RELEASE_DATE})
set(months Jan Feb Mar Apr May Jun Jul Aug Sep Oct Nov Dec)
math(EXPR month "${CMAKE_MATCH_2} - 1")
list(GET months ${month} month)
set(RELEASE_DAY ${CMAKE_MATCH_3}-${month}-${CMAKE_MATCH_1})
# OWNER/NAME of the repository, as the forge's command line names it.
string(REGEX REPLACE "^https://[^/]+/" "" FORGE_REPOSITORY ${PROJECT_HOMEPAGE_URL})
configure_file(release/Contents.m.in Contents.m @ONLY)
# The README of the MATLAB files and that of the Octave package share their
# account of the functions: one copy, filled into both.
file(READ release/usage.md.in RELEASE_USAGE)
string(CONFIGURE "${RELEASE_USAGE}" RELEASE_USAGE @ONLY)
configure_file(release/README.md.in README.md @ONLY)

# The help files, the help index, and the table that quenrel's self tests read.
set(help_files ${PROJECT_SOURCE_DIR}/nubrik/nubrik.m ${PROJECT_SOURCE_DIR}/quenrel/quenrel.m
               ${PROJECT_BINARY_DIR}/Contents.m ${QUENREL_BITS})
install(TARGETS nubrik quenrel LIBRARY DESTINATION . COMPONENT matlab)
install(FILES ${help_files} ${PROJECT_BINARY_DIR}/README.md LICENSE DESTINATION . COMPONENT matlab)
install(DIRECTORY ${SELF_TESTS_DIR}/ DESTINATION . COMPONENT matlab)
if(WIN32)
    set(CPACK_RELEASE_MATLAB_FILE ${RELEASE_NAME}-windows-x64.zip)
else()
    set(CPACK_RELEASE_MATLAB_FILE ${RELEASE_NAME}-linux-x86_64.zip)
    # The oldest Octave the package declares, in its description and in its
    # entry for Octave's package index. The entry is filled in here but for the
    # tarball's checksum, which ReleaseCollect.cmake adds once the tarball is made.
    set(OCTAVE_MINIMUM 6.2.0)
    configure_file(release/octave/DESCRIPTION.in DESCRIPTION @ONLY)
    configure_file(release/octave/README.md.in octave-package/README.md @ONLY)
    set(CPACK_RELEASE_OCTAVE_FILE ${RELEASE_NAME}.tar.gz)
    set(TARBALL_SHA256 "@TARBALL_SHA256@")
    set(CPACK_OCTAVE_INDEX_ENTRY ${PROJECT_BINARY_DIR}/index-entry.yaml.in)
    configure_file(release/octave/index-entry.yaml.in ${CPACK_OCTAVE_INDEX_ENTRY} @ONLY)
    install(FILES ${PROJECT_BINARY_DIR}/DESCRIPTION release/octave/INDEX
            DESTINATION . COMPONENT octave)
    install(FILES LICENSE DESTINATION . RENAME COPYING COMPONENT octave)
    install(FILES NEWS.md DESTINATION . RENAME NEWS COMPONENT octave)
    # pkg install keeps the doc folder of a package's top level.
    install(FILES ${PROJECT_BINARY_DIR}/octave-package/README.md DESTINATION doc COMPONENT octave)
    # The source units, the interface they compile against, the binding with
    # which the Makefile that pkg runs builds them as native Octave functions,
    # laid out as build_oct lays them out, and the name and help text of each
    # function, written here from its help file as build_oct writes them: the
    # package's build runs no Octave.
    install(FILES nubrik/nubrik.cpp quenrel/quenrel.cpp interface/mex.h interface/octave/Makefile
            DESTINATION src COMPONENT octave)
    install(FILES ${OCTAVE_PACKAGE_BINDING} DESTINATION src/octave COMPONENT octave)
    # The help files themselves stay out of the package: Octave shows the help
    # text each function carries, and a help file in the folder of Octave's
    # current directory, which comes before the path, would stand in for its
    # function there. Their self-test blocks (the %! lines, which run the
    # self-test scripts) travel as NAME.cc-tst, which pkg installs beside the
    # .oct files and test NAME finds when no NAME.m is on the path; the name
    # is no source's, so that no build writes the tests of a source over it.
    set(function_headers "")
    foreach(name nubrik quenrel)
        set(header ${PROJECT_BINARY_DIR}/octave-package/${name}/octave_function.h)
        set(help_file ${PROJECT_SOURCE_DIR}/${name}/${name}.m)
        file(STRINGS ${help_file} self_tests REGEX "^%!")
        list(JOIN self_tests "\n" self_tests)
        file(WRITE ${PROJECT_BINARY_DIR}/octave-package/${name}.cc-tst
             "## The self tests of ${name}, the %! lines of its help file ${name}.m.\n${self_tests}\n")
        set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${help_file})
        install(FILES ${PROJECT_BINARY_DIR}/octave-package/${name}.cc-tst DESTINATION src
                COMPONENT octave)
        add_custom_command(
            OUTPUT ${header}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/octave-package/${name}
            COMMAND ${OCTAVE} --eval
                    "addpath ('${OCTAVE_BINDING}'); write_function_header ('${header}', '${name}', '${help_file}');"
            DEPENDS ${help_file} ${OCTAVE_BINDING}/write_function_header.m
            VERBATIM
            COMMENT "Writing the name and help text of ${name} for the Octave package")
        install(FILES ${header} DESTINATION src/octave/${name} COMPONENT octave)
        list(APPEND function_headers ${header})
    endforeach()
    add_custom_target(octave_package_headers ALL DEPENDS ${function_headers})
    install(FILES ${PROJECT_BINARY_DIR}/Contents.m ${QUENREL_BITS} DESTINATION inst COMPONENT octave)
    install(DIRECTORY ${SELF_TESTS_DIR}/ DESTINATION inst COMPONENT octave)
endif()

set(CPACK_PACKAGE_NAME nubrik-quenrel)
set(CPACK_PACKAGE_VENDOR "The nubrik and quenrel authors")
set(CPACK_PACKAGE_FILE_NAME ${RELEASE_NAME})
set(CPACK_RELEASE_DIRECTORY ${RELEASE_DIR})
set(CPACK_EXTERNAL_ENABLE_STAGING ON)
set(CPACK_EXTERNAL_PACKAGE_SCRIPT ${PROJECT_SOURCE_DIR}/cmake/ReleasePack.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/ReleaseCollect.cmake)
include(CPack)
