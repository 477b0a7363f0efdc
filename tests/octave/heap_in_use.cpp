// A probe for the soak test, built inside GNU Octave with mkoctfile --mex:
//   bytes = heap_in_use ()   the bytes the session's heap holds in use now, by
//                            glibc's own count: small blocks plus mapped ones;
//   heap_in_use (anything)   ends the call through the host's error call and
//                            nothing else, so that what the host itself loses
//                            on an error path can be told apart.
#include "mex.h"

#include <malloc.h>

extern "C" void mexFunction(int, mxArray *plhs[], int nrhs, const mxArray *[]) {
    if (nrhs > 0) mexErrMsgTxt("the host's own error path\n");
        // glibc before 2.33 (Debian 11) counts in int only; a soak test's heap fits.
#if __GLIBC_PREREQ(2, 33)
    const struct mallinfo2 heap = mallinfo2();
#else
    const struct mallinfo heap = mallinfo();
#endif
    plhs[0] = mxCreateDoubleScalar(static_cast<double>(heap.uordblks + heap.hblkhd));
}
