%QUENREL  Correlation coefficient of two arrays, bit for bit reproducible.
%   C = QUENREL(A, B) returns, as a 1-by-1 double, the correlation
%   coefficient of the element pairs (A(i), B(i)) taken in storage order. It
%   is computed in two passes: the means first, then the centred sums of
%   products and squares, C = SAB / SQRT(SAA * SBB). Every sum takes its
%   terms strictly in index order and every product is rounded before it is
%   added, so C equals the result of the plain sequential loop bit for bit,
%   on every machine:
%
%     ma = sum of A(i) / N,  mb = sum of B(i) / N
%     sab = sum of (A(i)-ma)*(B(i)-mb), saa = sum of (A(i)-ma)^2, likewise sbb
%
%   A fixes the number of elements N. B conforms when its sizes, multiplied
%   in order, reach exactly N with no partial product above N: a 2-by-3 A
%   accepts a 3-by-2, 1-by-6 or 6-by-1 B. Arguments of another class are
%   converted with DOUBLE; sparse arguments are read in their full form.
%   Constant data, a single pair, or a NaN gives NaN. A third or later
%   argument is ignored with a warning.
%
%   ID = QUENREL() returns the identification text: the script that the
%   function was generated from, as a char row.
%
%   QUENREL ends the call with one of these errors, checked in this order,
%   first for A, then for B (whose texts name "B" (2) and B):
%     Expected fewer than 2^31 elements in input argument "A" (1)
%     (the error of DOUBLE, when it cannot convert the argument)
%     Datatype double expected as input argument "A" (1)
%     Expected REAL number as input argument "A" (1)
%     Can not match size of dimensions for A to iterator
%     Expected 1 elements as iterator window dims as input argument "A" (1)
%         (an empty argument whose size does not fit)
%     Wrong number of input variables
%         fewer than two arguments
%     Unable to create output array
%   and warns with
%     Too many arguments to function quenrel. Argument(s) ignored.
%
%   In GNU Octave, error texts start with "quenrel: ".
%
%   Examples:
%     quenrel([1 2 3], [2 4 6])                      % 1
%     quenrel([1 2 3], [3 2 1])                      % -1
%     quenrel(reshape(1:6, 2, 3), reshape(1:6, 3, 2)) % 1: only order matters
%     quenrel(int32([1 2 4]), [true false true])     % converted by double
%     quenrel([5 5 5], [1 2 3])                      % NaN: constant data
%     id = quenrel()                                 % the identification text
%
%   See also CORRCOEF, CORR, COV, NUBRIK.

% Self tests (Octave: test quenrel). Every coefficient is checked bit for bit
% against a sequential two-pass loop written here, whose scalar operations
% round as the function's do, and against quenrel_bits.txt beside this file:
% coefficients written as their bit patterns, computed without any compiler,
% which every machine must give.

%!function c = sequential (a, b)
%!  n = numel (a);
%!  suma = 0;
%!  sumb = 0;
%!  for i = 1:n
%!    suma = suma + a(i);
%!    sumb = sumb + b(i);
%!  endfor
%!  ma = suma / n;
%!  mb = sumb / n;
%!  sab = 0;
%!  saa = 0;
%!  sbb = 0;
%!  for i = 1:n
%!    x = a(i) - ma;
%!    y = b(i) - mb;
%!    sab = sab + x * y;
%!    saa = saa + x * x;
%!    sbb = sbb + y * y;
%!  endfor
%!  c = sab / sqrt (saa * sbb);
%!endfunction

%!function expect_bits (actual, expected)
%!  assert (typecast (actual, "uint64"), typecast (expected, "uint64"));
%!endfunction

%!function text = error_of (f)
%!  try
%!    f ();
%!    text = "";
%!  catch err
%!    text = err.message;
%!  end_try_catch
%!endfunction

%!test
%! id = quenrel ();
%! assert (id, ["FENWARD Version 1.0 Beta -pipeline -force -fastmath -typecast " ...
%!              "[double corr]=quenrel( A, B) init: elements=prod_size(iter) " ...
%!              "iter: suma=suma+A sumb=sumb+B post: ma=suma/elements " ...
%!              "mb=sumb/elements itersec: a=(A)-ma b=(B)-mb sab+=a*b saa+=a*a " ...
%!              "sbb+=b*b postsec: corr=sab/(sqrt(saa*sbb)) "]);

%!assert (quenrel ([1 2 3], [2 4 6]), 1)
%!assert (quenrel ([1 2 3], [3 2 1]), -1)
%!assert (quenrel (reshape (1:6, 2, 3), reshape (1:6, 3, 2)), 1)
%!assert (isnan (quenrel (5, 7)))
%!assert (isnan (quenrel ([5 5 5], [1 2 3])))
%!assert (isnan (quenrel ([1 NaN 3], [1 2 3])))
%!assert (isnan (quenrel ([1 Inf 3], [1 2 3])))

%!test
%! for n = [1:40 100 1000 4097 100000]
%!   offset = 2 ^ randi ([0 40]);
%!   a = offset + randn (n, 1) .* 2 .^ randi ([0 20], n, 1);
%!   b = 0.5 * a - offset / 3 + randn (n, 1);
%!   expect_bits (quenrel (a, b'), sequential (a, b));
%! endfor

%!test
%! table = file_in_loadpath ("quenrel_bits.txt");
%! assert (! isempty (table), "quenrel_bits.txt is not beside quenrel.m");
%! fid = fopen (table);
%! columns = textscan (fid, "%s %f %f %f %f %f %f %f %f %f %f %s", "CommentStyle", "#");
%! fclose (fid);
%! [name, n, a0, ap, aq, ad, b0, bk, bp, bq, bd, bits] = deal (columns{:});
%! assert (numel (n) > 100);
%! for k = 1:numel (n)
%!   ## Exact integers up to the one rounding, the division, as the table says.
%!   i = (1:n(k))';
%!   top = a0(k) + mod (i * ap(k), aq(k));
%!   c = quenrel (top / ad(k), (b0(k) + bk(k) * top + mod (i * bp(k), bq(k))) / bd(k));
%!   if (strcmp (bits{k}, "nan"))
%!     assert (isnan (c), "%s %d: %.17g instead of NaN", name{k}, n(k), c);
%!   else
%!     assert (strcmp (num2hex (c), bits{k}), "%s %d: %s instead of %s", name{k}, n(k), ...
%!             num2hex (c), bits{k});
%!   endif
%! endfor

%!test
%! a = int32 ([1 2 4 -7]);
%! b = [true false true true];
%! expect_bits (quenrel (a, b), sequential (double (a), double (b)));
%! expect_bits (quenrel ("abdz", single ([1 2 3 5])), sequential (double ("abdz"), [1 2 3 5]));
%! expect_bits (quenrel (reshape (1:6, 2, 1, 3), (6:-1:1)' .^ 2), ...
%!              sequential (1:6, (6:-1:1) .^ 2));

%!test
%! a = [0 1.5 0 0; -2 0 7 0; 0 0 0 1];
%! b = reshape (1:12, 3, 4) .^ 2;
%! expect_bits (quenrel (sparse (a), b), sequential (a, b));
%! expect_bits (quenrel (b, sparse (a)), sequential (b, a));
%! expect_bits (quenrel (a, sparse (a != 0)), sequential (a, double (a != 0)));

%!test
%! lastwarn ("");
%! c = quenrel ([1 2 3], [3 2 1], {}, @sin);
%! assert (c, -1);
%! assert (lastwarn (), "Too many arguments to function quenrel. Argument(s) ignored.");

%!test
%! cases = {
%!   {}, "Wrong number of input variables"
%!   {[1 2 3]}, "Wrong number of input variables"
%!   {1 + 2i}, "Expected REAL number as input argument \"A\" (1)"
%!   {[1 2], [1 2] * 1i}, "Expected REAL number as input argument \"B\" (2)"
%!   {zeros(0, 0), 1}, "Can not match size of dimensions for A to iterator"
%!   {zeros(5, 0), 1}, "Can not match size of dimensions for A to iterator"
%!   {zeros(0, 1), 1}, "Can not match size of dimensions for A to iterator"
%!   {zeros(1, 0), 1}, "Can not match size of dimensions for A to iterator"
%!   {zeros(0, 5), zeros(0, 5)}, "Expected 1 elements as iterator window dims as input argument \"A\" (1)"
%!   {1:6, 1:7}, "Can not match size of dimensions for B to iterator"
%!   {1:6, 1:5}, "Can not match size of dimensions for B to iterator"
%!   {1, zeros(0, 0)}, "Expected 1 elements as iterator window dims as input argument \"B\" (2)"
%!   {1, zeros(1, 0)}, "Expected 1 elements as iterator window dims as input argument \"B\" (2)"
%!   {1, zeros(0, 1)}, "Expected 1 elements as iterator window dims as input argument \"B\" (2)"
%!   {(1:5)', zeros(5, 0)}, "Expected 1 elements as iterator window dims as input argument \"B\" (2)"
%!   {(1:6)', ones(6, 1, 2)}, "Can not match size of dimensions for B to iterator"
%! };
%! for i = 1:rows (cases)
%!   assert (error_of (@() quenrel (cases{i, 1}{:})), ["quenrel: " cases{i, 2}]);
%! endfor

%!test
%! for bad = {{1}, struct("a", 1), @sin}
%!   assert (error_of (@() quenrel (bad{1}, 1)), error_of (@() double (bad{1})));
%!   assert (error_of (@() quenrel (1, bad{1})), error_of (@() double (bad{1})));
%! endfor
%! assert (error_of (@() quenrel (1i, {1})), "quenrel: Expected REAL number as input argument \"A\" (1)");
