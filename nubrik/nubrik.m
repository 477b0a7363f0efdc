%NUBRIK  Set-bit count of every element, through cells and structs.
%   R = NUBRIK(X) replaces every element of X by the number of 1 bits in its
%   stored form, and returns the counts as an int8 array of the same size:
%
%     double, int64, uint64       the 64-bit pattern            0 to 64
%     single, int32, uint32       the 32-bit pattern            0 to 32
%     int16, uint16               the 16-bit pattern            0 to 16
%     char                        the code unit: 16 bits in     0 to 16
%                                 MATLAB, 8 in GNU Octave       (0 to 8)
%     logical, int8, uint8        the 8-bit pattern             0 to 8
%
%   Floating-point values are counted in their IEEE-754 pattern and signed
%   integers in two's complement. A complex X gives a complex result whose
%   real and imaginary parts are counted separately. A sparse X is counted in
%   its full form: NUBRIK(SPARSE(A)) equals NUBRIK(FULL(A)).
%
%   A cell array gives a cell array of the same size, and a struct array a
%   struct array of the same size with the same field names in the same
%   order, each element converted in turn, to any depth. Empty cell elements
%   and struct field values stay empty. Any other class (a function handle,
%   an object) gives ZEROS(0, 0).
%
%   [R1, ..., RK] = NUBRIK(X1, ..., XK) converts each argument into its own
%   result. Every argument needs its own output, except that NUBRIK(X) may
%   be called without an output variable.
%
%   NUBRIK ends the call with one of these errors:
%     Mismatched number of input/output arguments
%         the number of outputs differs from the number of arguments
%     Unable to create output array
%         the host could not create a result or a scratch block
%     Input array has 2^31 or more elements
%         an argument, or an array inside one, is too large
%     Cells and structs nested more than 1000 levels deep
%         an array is enclosed in more than 1000 cells and structs
%   The errors carry no identifier: to catch one, compare its text with
%   REGEXPREP(STRTRIM(ERR.MESSAGE), '^nubrik: ', ''), as GNU Octave puts
%   "nubrik: " before the text and MATLAB may keep its closing line feed.
%
%   In MATLAB, a string array ("abc") is not a char array: it gives
%   ZEROS(0, 0), as any other class does; NUBRIK(CHAR(S)) counts its
%   characters. In GNU Octave, "abc" is a char array.
%
%   In GNU Octave, characters are 8 bits wide (counts 0 to 8), and complex
%   integer arrays do not exist: a complex X ends the call with Octave's own
%   error.
%
%   Self tests: runtests('nubrik_test') in MATLAB, test nubrik in Octave
%   (nubrik_test.m, with helpers in the private folder beside it).
%
%   Examples, with the results as GNU Octave prints them (MATLAB shows the
%   same values in its own layout):
%
%     >> nubrik(uint8(255))
%     ans = 8
%     >> nubrik(1.0)                      % the pattern 0x3FF0000000000000
%     ans = 10
%     >> nubrik(-0.0)                     % only the sign bit
%     ans = 1
%     >> nubrik(int16([-1 256]))
%     ans =
%
%       16   1
%
%     >> c = nubrik({uint8(255), {int16(-1)}});
%     >> c{2}{1}
%     ans = 16
%     >> [a, b] = nubrik(uint32(7), true)
%     a = 3
%     b = 1
%     >> try, [a, b] = nubrik(1), catch err, disp(regexprep(strtrim(err.message), '^nubrik: ', '')), end
%     Mismatched number of input/output arguments
%
%
%   See also BITAND, BITGET, DEC2BIN, TYPECAST, QUENREL.

% Self tests: nubrik_test.m, installed with this file. MATLAB runs each of its
% sections as one test with runtests('nubrik_test'); in Octave, test nubrik
% (and pkg test) runs this block, which runs the script.
%!test
%! nubrik_test
