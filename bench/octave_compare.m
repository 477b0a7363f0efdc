## Side by side in GNU Octave, on N elements (1e7 unless given), in one session:
##   octave-cli bench/octave_compare.m FOLDER [N]
## where FOLDER holds the Octave builds of nubrik and quenrel. Every result is
## checked against the alternative's before its time is reported; each time is
## the best of several runs. nubrik is also timed beside uncounted.cpp, built
## here, which asks Octave for all that nubrik does but counts nothing: the
## part of a call that is Octave's own handling of it.
args = argv ();
addpath (args{1});
n = 1e7;
if (numel (args) > 1)
  n = str2double (args{2});
endif
## Runs of each call, the fastest reported: Octave's handling of a large call
## (copies of the argument and the result) varies from run to run.
runs = 15;

function best = fastest (f, runs)
  best = Inf;
  for r = 1:runs
    t = tic ();
    f ();
    best = min (best, toc (t));
  endfor
endfunction

randn ("seed", 1);
a = 1e6 + randn (n, 1);
b = 0.5 * a + randn (n, 1);
c = quenrel (a, b);
assert (abs (c - corr (a, b)) < 1e-9);
assert (abs (c - corrcoef (a, b)(1, 2)) < 1e-9);
tq = fastest (@() quenrel (a, b), runs);
tc = fastest (@() corr (a, b), 5);
tk = fastest (@() corrcoef (a, b), 5);
printf ("quenrel   %8.2f ms\n", 1e3 * tq);
printf ("corr      %8.2f ms   %5.1f times quenrel's time\n", 1e3 * tc, tc / tq);
printf ("corrcoef  %8.2f ms   %5.1f times quenrel's time\n", 1e3 * tk, tk / tq);

## What a user would write instead of nubrik for doubles: the bytes of every
## element through a table of set bits, summed per element.
table = uint8 (sum (dec2bin (0:255) == "1", 2));
by_uint16 = @(x) int8 (reshape (sum (reshape (table(uint16 (typecast (x(:), "uint8")) + 1), ...
                                              8, []), 1, "native"), size (x)));
by_double = @(x) int8 (reshape (sum (reshape (table(double (typecast (x(:), "uint8")) + 1), ...
                                              8, []), 1), size (x)));
x = randn (n, 1) .* 10 .^ randi ([-300 300], n, 1);
r = nubrik (x);
assert (isequal (r, by_uint16 (x)));
assert (isequal (r, by_double (x)));
tn = fastest (@() nubrik (x), runs);
tv = min (fastest (@() by_uint16 (x), 2), fastest (@() by_double (x), 2));
printf ("nubrik    %8.2f ms\n", 1e3 * tn);
printf ("vectorized%8.2f ms   %5.1f times nubrik's time\n", 1e3 * tv, tv / tn);

## Octave's own handling of a call, class by class.
here = fileparts (mfilename ("fullpath"));
uncounted_dir = tempname ();
mkdir (uncounted_dir);
[output, status] = mkoctfile ("--mex", "-o", fullfile (uncounted_dir, "uncounted.mex"),
                              fullfile (here, "uncounted.cpp"));
if (status != 0)
  error ("building uncounted.cpp failed:\n%s", output);
endif
addpath (uncounted_dir);
printf ("\n%-8s %9s %20s\n", "class", "nubrik", "without counting");
for class = {"uint8", "int16", "single", "double", "uint64"}
  y = cast (randi (200, n, 1), class{1});
  assert (isequal (size (uncounted (y)), size (nubrik (y))));
  ## Interleaved, so that both meet the same state of Octave's memory.
  tn = tu = Inf;
  for r = 1:runs
    tn = min (tn, fastest (@() nubrik (y), 1));
    tu = min (tu, fastest (@() uncounted (y), 1));
  endfor
  printf ("%-8s %6.2f ms %9.2f ms (%3.0f%%)\n", class{1}, 1e3 * tn, 1e3 * tu, 100 * tu / tn);
endfor
rmpath (uncounted_dir);
confirm_recursive_rmdir (false, "local");
rmdir (uncounted_dir, "s");
