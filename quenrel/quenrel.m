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
%   function was generated from, as a char row. It needs the output: QUENREL()
%   as a statement, with no output, ends with "Wrong number of input
%   variables", as any call with fewer than two arguments does. The text is
%   the generator's own, kept as callers know it: its "-fastmath" is a line
%   of that script, not a setting of this build, whose computation uses no
%   fast math (see above).
%
%   QUENREL ends the call with one of these errors, checked in this order,
%   first for A, then for B (whose texts name "B" (2) and B):
%     Expected fewer than 2^31 elements in input argument "A" (1)
%         the argument is too large
%     (the error of DOUBLE)
%         DOUBLE cannot convert the argument (a cell, a struct, a handle)
%     Datatype double expected as input argument "A" (1)
%         the conversion did not give a double
%     Expected REAL number as input argument "A" (1)
%         the argument is complex
%     Can not match size of dimensions for A to iterator
%         its sizes, multiplied in order, do not reach N exactly
%     Expected 1 elements as iterator window dims as input argument "A" (1)
%         its element count differs from its window: only an empty argument
%     Wrong number of input variables
%         fewer than two arguments
%     Unable to create output array
%         the host could not create the result
%   and warns with
%     Too many arguments to function quenrel. Argument(s) ignored.
%   when it is given more than two arguments.
%
%   Empty arguments: an empty A ends the call with the element-count text
%   when its first size is 0 and a size above 1 follows (ZEROS(0, 5)), and
%   with the match text otherwise ([], ZEROS(5, 0), ZEROS(1, 0), ZEROS(0, 1);
%   QUENREL([], []) too, as A is checked first). After a non-empty A, an
%   empty B ends it with the element-count text when its sizes before the
%   empty one already reach N ([], ZEROS(1, 0) or ZEROS(0, 1) after a scalar
%   A; ZEROS(5, 0) after a 5-by-1 A), and with the match text otherwise.
%
%   The errors carry no identifier: to catch one, compare its text with
%   REGEXPREP(STRTRIM(ERR.MESSAGE), '^quenrel: ', ''), as GNU Octave puts
%   "quenrel: " before the text; the warning is the text alone (LASTWARN).
%   The warning has no identifier either, so WARNING('off', ID) cannot
%   silence it alone: in both hosts, pass two arguments, or turn all
%   warnings off around the call and back after it, as the last example
%   shows.
%
%   In MATLAB, a string array ("12") is converted with DOUBLE, as every
%   argument that is not a double: "12" counts as 12, other text as NaN. In
%   GNU Octave, "12" is a char array, converted to its character codes.
%
%   Self tests: runtests('quenrel_test') in MATLAB, test quenrel in Octave
%   (quenrel_test.m, with helpers in the private folder beside it).
%
%   Examples, with the results as GNU Octave prints them (MATLAB shows the
%   same values in its own layout):
%
%     >> quenrel([1 2 3], [2 4 6])
%     ans = 1
%     >> quenrel([1 2 3], [3 2 1])
%     ans = -1
%     >> quenrel(reshape(1:6, 2, 3), reshape(1:6, 3, 2))   % only the order matters
%     ans = 1
%     >> quenrel(int32([1 2 4]), [true false true]) > 0   % converted by DOUBLE
%     ans = 1
%     >> quenrel([5 5 5], [1 2 3])                        % constant data
%     ans = NaN
%     >> fprintf('%.15f\n', quenrel(1:10, (1:10) .^ 2))   % the same on every machine
%     0.974558628915209
%     >> strtok(quenrel())                                % the identification text
%     ans = FENWARD
%     >> try, quenrel([1 2 3]), catch err, disp(regexprep(strtrim(err.message), '^quenrel: ', '')), end
%     Wrong number of input variables
%     >> s = warning('off', 'all'); c = quenrel([1 2 3], [2 4 6], 0); warning(s); disp(c)
%     1
%
%
%   See also CORRCOEF, CORR, COV, NUBRIK.

% Self tests: quenrel_test.m, installed with this file. MATLAB runs each of its
% sections as one test with runtests('quenrel_test'); in Octave, test quenrel
% (and pkg test) runs this block, which runs the script.
%!test
%! quenrel_test
