%NUBRIK  Set-bit count of every element, through cells and structs.
%   R = NUBRIK(X) replaces every element of X by the number of 1 bits in its
%   stored form, and returns the counts as an int8 array of the same size:
%
%     double, int64, uint64       the 64-bit pattern            0 to 64
%     single, int32, uint32       the 32-bit pattern            0 to 32
%     char, int16, uint16         the 16-bit code unit/pattern  0 to 16
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
%
%   In GNU Octave, characters are 8 bits wide (counts 0 to 8), complex
%   integer arrays do not exist, and error texts start with "nubrik: ".
%
%   Examples:
%     nubrik(uint8(255))                 % int8(8)
%     nubrik(int8(-1))                   % int8(8)
%     nubrik(1.0)                        % int8(10): 0x3FF0000000000000
%     nubrik(-0.0)                       % int8(1): only the sign bit
%     nubrik('A')                        % int8(2): code 65 is 1000001
%     nubrik({uint8(255), {int16(-1)}})  % {int8(8), {int8(16)}}
%     s = nubrik(struct('b', {1, 2}, 'a', 'xy'))  % 1-by-2 struct, fields b, a
%     [a, b] = nubrik(uint32(7), true)   % int8(3) and int8(1)
%
%   See also BITAND, BITGET, DEC2BIN, TYPECAST, QUENREL.

% Self tests (Octave: test nubrik). Every count is checked against the
% element's stored bytes, counted with a byte table.

%!function c = bitcounts (x)
%!  table = sum (dec2bin (0:255) == "1", 2);
%!  if (islogical (x) || ischar (x))
%!    bytes = uint8 (x(:));
%!  else
%!    bytes = typecast (x(:), "uint8");
%!  endif
%!  width = max (1, numel (bytes) / max (1, numel (x)));
%!  c = int8 (reshape (sum (reshape (table(double (bytes) + 1), width, []), 1), size (x)));
%!endfunction

% A .mexa64 file built for MATLAB's 16-bit characters and loaded into Octave
% for testing (MEX_BUILD=bridged) reads Octave's 8-bit characters two at a
% time: its char cases are left out.
%!function yes = chars_counted ()
%!  yes = ! strcmp (getenv ("MEX_BUILD"), "bridged");
%!endfunction

%!assert (nubrik (uint8 (255)), int8 (8))
%!assert (nubrik (int8 (-1)), int8 (8))
%!assert (nubrik (true), int8 (1))
%!assert (nubrik (1), int8 (10))
%!assert (nubrik (-0), int8 (1))
%!assert (nubrik (single (1)), int8 (7))
%!assert (nubrik (intmax ("uint64")), int8 (64))
%!assert (nubrik (intmin ("int32")), int8 (1))

%!test
%! classes = {"double", "single", "int8", "uint8", "int16", "uint16", ...
%!            "int32", "uint32", "int64", "uint64"};
%! shapes = {[0 0], [1 1], [1 7], [5 1], [2 3 4], [2 0 3], [1 1 1 6], [3 2 1 2]};
%! for c = classes
%!   width = numel (typecast (zeros (1, 1, c{1}), "uint8"));
%!   for s = shapes
%!     n = prod (s{1});
%!     x = reshape (typecast (uint8 (randi ([0 255], 1, n * width)), c{1}), s{1});
%!     r = nubrik (x);
%!     assert (class (r), "int8");
%!     assert (size (r), size (x));
%!     assert (r, bitcounts (x));
%!   endfor
%! endfor

%!test
%! x = rand (3, 4, 2) > 0.5;
%! assert (nubrik (x), bitcounts (x));

%!testif ; chars_counted ()
%! assert (nubrik ("A"), int8 (2));
%! x = char (randi ([0 255], 4, 5));
%! assert (nubrik (x), bitcounts (x));

%!test
%! r = nubrik ({uint8(255), {int16(-1)}});
%! assert (size (r), [1 2]);
%! assert (r{1}, int8 (8));
%! assert (r{2}, {int8(16)});

%!test
%! r = nubrik ({@sin, int32(7); [], cell(0, 3)});
%! assert (size (r), [2 2]);
%! assert (r{1,1}, zeros (0, 0));
%! assert (class (r{1,1}), "double");
%! assert (r{1,2}, int8 (3));
%! assert (r{2,1}, zeros (0, 0, "int8"));
%! assert (r{2,2}, cell (0, 3));

%!test
%! f = nubrik (@(t) t + 1);
%! assert (class (f), "double");
%! assert (size (f), [0 0]);

%!test
%! s = struct ("zeta", {1, uint16(3); int8(-1), {true}}, "alpha", int16 ([5 -6]));
%! r = nubrik (s);
%! assert (size (r), [2 2]);
%! assert (fieldnames (r), {"zeta"; "alpha"});
%! for k = 1:numel (s)
%!   assert (r(k).alpha, int8 ([2 14]));
%! endfor
%! assert (r(1,1).zeta, int8 (10));
%! assert (r(1,2).zeta, int8 (2));
%! assert (r(2,1).zeta, int8 (8));
%! assert (r(2,2).zeta, {int8(1)});

%!test
%! r = nubrik (repmat (struct (), 2, 3));
%! assert (size (r), [2 3]);
%! assert (numel (fieldnames (r)), 0);

%!test
%! a = [0 1.5 0; -2 0 7];
%! assert (nubrik (sparse (a)), nubrik (a));
%! assert (nubrik (sparse (a != 0)), nubrik (a != 0));
%! assert (nubrik ({sparse(a)}), {nubrik(a)});

%!test
%! [a, b, c] = nubrik (uint8 (3), int64 (-1), single (-2));
%! assert ({a, b, c}, {int8(2), int8(64), int8(2)});
%! nubrik ();

%!error <^nubrik: Mismatched number of input/output arguments$> nubrik (1, 2)
%!error <^nubrik: Mismatched number of input/output arguments$> [a, b] = nubrik (1)

% Octave has no complex integer arrays, so a complex argument ends in Octave's
% own error.
%!error <complex integer types are not supported> nubrik (1 + 2i)
