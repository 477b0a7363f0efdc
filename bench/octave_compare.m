## Side by side in GNU Octave, interleaved in one session, on N elements (1e7
## unless given):
##   octave-cli bench/octave_compare.m OCT MEX [N]
## where OCT holds the native Octave functions (nubrik.oct, quenrel.oct) and
## MEX the MEX builds of Octave's mkoctfile --mex (nubrik.mex, quenrel.mex).
## Run it with glibc's malloc serving blocks of up to 32 MiB from memory it
## keeps, as a long session's allocator does once it has seen such blocks come
## and go:
##   GLIBC_TUNABLES=glibc.malloc.mmap_threshold=33554432:glibc.malloc.trim_threshold=4294967296
## Otherwise the first large calls of a session map their blocks afresh, and a
## first touch of a page costs microseconds. Larger blocks (corr's temporaries
## at 10^7 doubles) are mapped afresh either way, as in any session.
##
## Every result is checked against the alternative's before it is timed. In
## each comparison the contenders take turns, round after round, in an order
## drawn for each round; a ratio compares their fastest rounds, and its spread
## runs from the fastest of one over the median of the other to the median
## over the fastest. A target is
## judged on the ratio itself; quenrel's two builds, which both read their
## arguments in place, and the floor against its copy and zeroing, within the
## spread. A missed target is reported, never an error.
##
## The comparisons: quenrel on both builds beside corr and corrcoef; nubrik
## beside the vectorized expression a user would write; per class, nubrik's
## .oct and MEX builds beside the native floor (octave_floor.cpp, built here:
## every byte read, one byte per element written into the int8 array
## returned, nothing counted; the fastest of its loops on the widest, 256- and
## 128-bit vectors, the last two also asking for the input ahead; a build
## below 0.95 times it is reported, a fault of the floor), and the floor beside
## a copy of the argument and the zeroed result;
## containers per leaf on both builds, beside num2cell, which makes as many
## scalars and a cell to hold them; a call on a scalar beside a call of the
## builtin abs.
1;

function t = timed (f)
  start = tic ();
  f ();
  t = toc (start);
endfunction

## The times of each contender over the rounds (a row each), taking turns in
## an order drawn anew for each round, after a call of each that is not timed:
## in a fixed order, each contender ran after the same one, whose memory
## (the MEX build's copies, above all) it met every round.
function times = rounds (contenders, count)
  for c = 1:numel (contenders)
    contenders{c} ();
  endfor
  times = zeros (numel (contenders), count);
  for r = 1:count
    for c = randperm (numel (contenders))
      times(c, r) = timed (contenders{c});
    endfor
  endfor
endfunction

## The ratio of the fastest rounds of a over b, and its spread.
function [ratio, low, high] = ratio_of (a, b)
  ratio = min (a) / min (b);
  low = min (a) / median (b);
  high = median (a) / min (b);
endfunction

function report (what, a, b, limit, kind)
  [ratio, low, high] = ratio_of (a, b);
  switch (kind)
    case "at most"
      met = ratio <= limit;
    case "at least"
      met = ratio >= limit;
    otherwise # at most, within the spread
      met = low <= limit;
  endswitch
  verdict = {"MISSED", "met"}{met + 1};
  printf ("  %-44s %6.2f [%5.2f to %5.2f]  target %s %.2f: %s\n", what, ratio, low, high, kind,
          limit, verdict);
endfunction

## A call of each on a scalar, many times over, each call written out as a
## user's would be.
function nubrik_calls (z, calls)
  for k = 1:calls
    nubrik (z);
  endfor
endfunction

function abs_calls (z, calls)
  for k = 1:calls
    abs (z);
  endfor
endfunction

args = argv ();
[oct, mex] = deal (args{1:2});
n = 1e7;
if (numel (args) > 2)
  n = str2double (args{3});
endif
runs = 25;
printf ("GNU Octave %s, N = %d, %d rounds; GLIBC_TUNABLES=%s\n", version (), n, runs,
        getenv ("GLIBC_TUNABLES"));
addpath (oct);
assert (strcmp (which ("nubrik")(end-3:end), ".oct") && strcmp (which ("quenrel")(end-3:end), ".oct"));
## The MEX builds, callable beside the native functions of the same names:
## the private functions of a folder of their own, whose mex_build hands out
## handles to them.
work = tempname ();
handles = fullfile (work, "mex_handles");
mkdir (fullfile (handles, "private"));
copyfile (fullfile (mex, {"nubrik.mex", "quenrel.mex"}), fullfile (handles, "private"));
fid = fopen (fullfile (handles, "mex_build.m"), "w");
fputs (fid, "function h = mex_build (name)\n  h = str2func (name);\nendfunction\n");
fclose (fid);
addpath (handles);
nubrik_mex = mex_build ("nubrik");
quenrel_mex = mex_build ("quenrel");
[output, status] = mkoctfile ("-o", fullfile (work, "octave_floor.oct"),
                              fullfile (fileparts (mfilename ("fullpath")), "octave_floor.cpp"));
if (status != 0)
  error ("building octave_floor.cpp failed:\n%s", output);
endif
addpath (work);

printf ("\nquenrel, %d elements (fastest round)\n", n);
randn ("seed", 1);
a = 1e6 + randn (n, 1);
b = 0.5 * a + randn (n, 1);
c = quenrel (a, b);
assert (strcmp (num2hex (c), num2hex (quenrel_mex (a, b))));
assert (abs (c - corr (a, b)) < 1e-9 && abs (c - corrcoef (a, b)(1, 2)) < 1e-9);
## The builds in rounds of their own: corr's blocks would take them out of
## the cache between their turns.
builds = rounds ({@() quenrel(a, b), @() quenrel_mex(a, b)}, runs);
others = rounds ({@() corr(a, b), @() corrcoef(a, b)}, 3);
printf ("  .oct %.2f ms, MEX %.2f ms, corr %.2f ms, corrcoef %.2f ms\n",
        1e3 * [min(builds, [], 2); min(others, [], 2)]);
## Both read their arguments in place and return a scalar: the same time.
report (".oct over MEX", builds(1, :), builds(2, :), 1, "within the spread");
report ("corr over quenrel (.oct)", others(1, :), builds(1, :), 15, "at least");

printf ("\nnubrik, doubles, %d elements, beside the vectorized expression\n", n);
## What a user would write instead, the faster of two: the bytes of every
## element through a table of set bits, summed per element in uint8 or in
## double.
table = uint8 (sum (dec2bin (0:255) == "1", 2));
by_uint16 = @(x) int8 (reshape (sum (reshape (table(uint16 (typecast (x(:), "uint8")) + 1), ...
                                              8, []), 1, "native"), size (x)));
by_double = @(x) int8 (reshape (sum (reshape (table(double (typecast (x(:), "uint8")) + 1), ...
                                              8, []), 1), size (x)));
x = randn (n, 1) .* 10 .^ randi ([-300 300], n, 1);
r = nubrik (x);
assert (isequal (r, by_uint16 (x)) && isequal (r, by_double (x)));
times = rounds ({@() nubrik(x), @() by_uint16(x), @() by_double(x)}, 3);
times = [times(1, :); min(times(2:3, :))];
printf ("  nubrik %.2f ms, vectorized %.2f ms\n", 1e3 * min (times, [], 2));
report ("vectorized over nubrik", times(2, :), times(1, :), 100, "at least");

printf ("\nnubrik per class, %d elements: the .oct and MEX builds and the native floor\n", n);
for class = {"uint8", "int16", "single", "double", "uint64"}
  width = numel (typecast (zeros (1, class{1}), "uint8"));
  y = reshape (typecast (uint8 (randi ([0 255], n * width, 1)), class{1}), [], 1);
  r = nubrik (y);
  assert (isequal (r, nubrik_mex (y)));
  assert (isequal (size (octave_floor (y)), size (r)) && isa (octave_floor (y), "int8"));
  times = rounds ({@() nubrik(y), @() nubrik_mex(y), @() octave_floor(y), ...
                   @() octave_floor(y, "copy"), @() octave_floor(y, "256"), ...
                   @() octave_floor(y, "128"), @() octave_floor(y, "256 ahead"), ...
                   @() octave_floor(y, "128 ahead")}, runs);
  ## The floor is the fastest of its loops, by their fastest rounds: a floor
  ## must not be beaten, and by their medians (as mex_bench chooses within
  ## each of its runs) nubrik.oct's fastest round beat the loop so chosen on
  ## int16 in four of seven runs of one session each on Zen 3, where the loops
  ## that go as nubrik's AVX2 loop were within the noise of it. Five loops'
  ## fastest rounds favour the floor by chance, which only makes the target
  ## against it the harder to meet.
  [~, fastest] = min (min (times([3 5:8], :), [], 2));
  times(3, :) = times([3 5:8](fastest), :);
  printf ("  %s: .oct %.2f ms, MEX %.2f ms, floor %.2f ms, copy and zeroing %.2f ms\n", class{1},
          1e3 * min (times(1:4, :), [], 2));
  report (["MEX over .oct, " class{1}], times(2, :), times(1, :),
          1.5 + 0.5 * any (strcmp (class{1}, {"uint8", "int16", "single"})), "at least");
  report ([".oct over the floor, " class{1}], times(1, :), times(3, :), 1.25, "at most");
  if (ratio_of (times(1, :), times(3, :)) < 0.95)
    printf ("    BELOW THE FLOOR: a floor that is beaten is a fault of the floor\n");
  endif
  report (["the floor over copy and zeroing, " class{1}], times(3, :), times(4, :), 1,
          "within the spread");
endfor

leaves = min (1e5, n);
fields = {"a", "b", "c", "d", "e"};
records = max (1, min (1e4, round (n / 1e3)));
cells = num2cell (rand (1, leaves));
values = num2cell (rand (numel (fields), records));
s = cell2struct (values, fields, 1);
## Octave's own making of as many scalars and a cell to hold them: the cost of
## a leaf that the binding is held to.
bytes = int8 (mod (1:leaves, 256) - 128);
printf (["\ncontainers per leaf: a cell of %d scalars, a struct array of %d with %d fields," ...
         " beside num2cell of an int8 array of %d\n"], leaves, records, numel (fields), leaves);
assert (isequal (nubrik (cells), nubrik_mex (cells)) && isequal (nubrik (s), nubrik_mex (s)));
times = rounds ({@() nubrik(cells), @() nubrik_mex(cells), @() nubrik(s), @() nubrik_mex(s), ...
                 @() num2cell(bytes)}, runs);
times = times ./ [leaves; leaves; numel(values); numel(values); leaves];
printf (["  cell: .oct %.3f us, MEX %.3f us; struct: .oct %.3f us, MEX %.3f us per leaf;" ...
         " num2cell %.3f us per leaf\n"], 1e6 * min (times, [], 2));
report (".oct per leaf of a cell over num2cell's", times(1, :), times(5, :), 2, "at most");
report (".oct per leaf of a struct array over num2cell's", times(3, :), times(5, :), 2, "at most");
report ("MEX over .oct, per leaf of a cell", times(2, :), times(1, :), 3, "at least");
report ("MEX over .oct, per leaf of a struct array", times(4, :), times(3, :), 3, "at least");

printf ("\na call on a scalar, beside the builtin abs\n");
z = 3.5;
calls = 2e4;
times = rounds ({@() nubrik_calls(z, calls), @() abs_calls(z, calls)}, runs) / calls;
printf ("  nubrik %.2f us, abs %.2f us\n", 1e6 * min (times, [], 2));
report ("nubrik over abs, a call on a scalar", times(1, :), times(2, :), 1.08, "at most");

rmpath (work);
rmpath (handles);
confirm_recursive_rmdir (false, "local");
rmdir (work, "s");
