// What a call of nubrik on a numeric argument asks of the host, without the
// counting: the argument's data, and a new int8 array of its extents and
// complexity, returned. Timed in GNU Octave beside nubrik (octave_compare.m),
// it shows how much of a call is the host's own handling of it. Built with
// Octave's mkoctfile against Octave's own interface.
#include "mex.h"

extern "C" void mexFunction(int, mxArray *plhs[], int, const mxArray *prhs[]) {
    const mxArray *in = prhs[0];
    mxGetData(in);
    plhs[0] = mxCreateNumericArray(mxGetNumberOfDimensions(in), mxGetDimensions(in), mxINT8_CLASS,
                                   mxIsComplex(in) ? mxCOMPLEX : mxREAL);
    mxGetData(plhs[0]);
}
