# Run by CPack after each packaging: copies the release files it made (not the
# description the External generator writes beside them) into the release
# folder; after the Octave package, writes its entry for Octave's package index
# with the tarball's checksum (<name>-index.yaml); and writes SHA256SUMS there
# over the release files of this version, in the form sha256sum --check reads.
set(release ${CPACK_RELEASE_DIRECTORY})
set(made ${CPACK_PACKAGE_FILES})
list(FILTER made INCLUDE REGEX "\\.(zip|tar\\.gz)$")
file(COPY ${made} DESTINATION ${release})
if(CPACK_RELEASE_OCTAVE_FILE AND EXISTS ${release}/${CPACK_RELEASE_OCTAVE_FILE})
    file(SHA256 ${release}/${CPACK_RELEASE_OCTAVE_FILE} TARBALL_SHA256)
    configure_file(${CPACK_OCTAVE_INDEX_ENTRY} ${release}/${CPACK_PACKAGE_FILE_NAME}-index.yaml
                   @ONLY)
endif()
file(GLOB files RELATIVE ${release} ${release}/${CPACK_PACKAGE_FILE_NAME}*)
list(SORT files)
set(sums "")
foreach(file IN LISTS files)
    file(SHA256 ${release}/${file} sum)
    string(APPEND sums "${sum}  ${file}\n")
endforeach()
file(WRITE ${release}/SHA256SUMS "${sums}")
