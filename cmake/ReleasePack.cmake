# Run by CPack's External generator once it has staged the components of a
# package preset: packs each component into its release file
# CPACK_RELEASE_<COMPONENT>_FILE (a .zip, or a .tar.gz of ustar entries) under
# the top folder CPACK_PACKAGE_FILE_NAME, with bsdtar, so that the same sources
# give the same bytes for every user on every machine: files only, in sorted
# order (a folder follows from its files' paths); owned by root; with the
# modes their install rules gave; every time SOURCE_DATE_EPOCH, written in UTC;
# no time or name in the gzip header.
if(NOT "$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
    message(FATAL_ERROR "Set SOURCE_DATE_EPOCH to the time of the release files' entries "
                        "(scripts/release takes the last commit's)")
endif()
find_program(BSDTAR bsdtar REQUIRED)
set(built "")
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
    string(TOUPPER ${component} upper)
    set(archive ${CPACK_TOPLEVEL_DIRECTORY}/${CPACK_RELEASE_${upper}_FILE})
    set(staged ${CPACK_TEMPORARY_DIRECTORY}/${component})
    # Sorted: file(GLOB) orders its result, whatever order the file system lists.
    file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${staged} ${staged}/*)
    list(JOIN files "\n" listing)
    file(WRITE ${archive}.files "${listing}\n")
    execute_process(COMMAND touch --no-dereference --date=@$ENV{SOURCE_DATE_EPOCH} ${files}
                    WORKING_DIRECTORY ${staged} COMMAND_ERROR_IS_FATAL ANY)
    # First a ustar archive, whose entries keep no time but the modification
    # time; read from disk, a zip entry would also take the files' change times.
    file(REMOVE ${archive} ${archive}.tar)
    execute_process(
        COMMAND ${BSDTAR} --create --format ustar --no-recursion --files-from ${archive}.files
                --uid 0 --gid 0 --uname root --gname root
                -s "|^|${CPACK_PACKAGE_FILE_NAME}/|" --file ${archive}.tar
        WORKING_DIRECTORY ${staged} COMMAND_ERROR_IS_FATAL ANY)
    if(archive MATCHES "\\.zip$")
        set(format --format zip)
    else()
        set(format --format ustar --gzip --options gzip:!timestamp)
    endif()
    execute_process(
        COMMAND ${CMAKE_COMMAND} -E env TZ=UTC
                ${BSDTAR} --create ${format} --file ${archive} @${archive}.tar
        COMMAND_ERROR_IS_FATAL ANY)
    list(APPEND built ${archive})
endforeach()
set(CPACK_EXTERNAL_BUILT_PACKAGES ${built})
