# Run by CPack after each packaging: copies the release files it made (not the
# description the External generator writes beside them) into the release
# folder, and writes SHA256SUMS there over the release files of this version,
# in the form sha256sum --check reads.
set(release ${CPACK_RELEASE_DIRECTORY})
set(made ${CPACK_PACKAGE_FILES})
list(FILTER made INCLUDE REGEX "\\.(zip|tar\\.gz)$")
file(COPY ${made} DESTINATION ${release})
file(GLOB files RELATIVE ${release} ${release}/${CPACK_PACKAGE_FILE_NAME}*)
list(SORT files)
set(sums "")
foreach(file IN LISTS files)
    file(SHA256 ${release}/${file} sum)
    string(APPEND sums "${sum}  ${file}\n")
endforeach()
file(WRITE ${release}/SHA256SUMS "${sums}")
