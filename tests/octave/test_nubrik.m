## Octave tests of nubrik: every count is checked against the element's stored
## bytes, counted with a byte table.

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

## The deliverable built for the 16-bit char of its target host reads Octave's
## 8-bit chars two at a time: char arguments are for the native build only.
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

%!test
%! expect_error (@() nubrik (1, 2), "nubrik: Mismatched number of input/output arguments");
%! try
%!   [a, b] = nubrik (1);
%!   error ("no error");
%! catch err
%!   assert (err.message, "nubrik: Mismatched number of input/output arguments");
%! end_try_catch

## Octave has no complex integer arrays, so a complex argument ends in Octave's
## own error.
%!error <complex integer types are not supported> nubrik (1 + 2i)
