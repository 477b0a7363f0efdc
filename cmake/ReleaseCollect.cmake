# Run by CPack after each packaging: copies the files it made into the release
# folder, and writes SHA256SUMS there over the release files of this version,
# in the form sha256sum --check reads.
set(release ${CPACK_RELEASE_DIRECTORY})
file(COPY ${CPACK_PACKAGE_FILES} DESTINATION ${release})
file(GLOB files RELATIVE ${release} ${release}/${CPACK_PACKAGE_FILE_NAME}*)
list(SORT files)
set(sums "")
foreach(file IN LISTS files)
    file(SHA256 ${release}/${file} sum)
    string(APPEND sums "${sum}  ${file}\n")
endforeach()
file(WRITE ${release}/SHA256SUMS "${sums}")
