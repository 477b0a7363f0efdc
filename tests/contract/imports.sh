# check_imports NAMES: the deliverable's imports from libmx must be the
# 32-bit-extent (_700) entry points, never the plain ones with 64-bit extents.
# Sourced by the loading-contract checks, which define fail.
check_imports() {
    local imports=$1 name
    for name in mxGetNumberOfDimensions mxGetDimensions mxGetCell mxGetFieldByNumber \
        mxCreateNumericArray mxCreateDoubleMatrix mxCreateCellArray mxCreateStructArray \
        mxSetCell mxSetFieldByNumber; do
        grep -qx "$name" <<<"$imports" && fail "imports $name instead of ${name}_700"
    done
    grep -q '^mx.*_700$' <<<"$imports" || fail "imports no _700 entry point"
}
