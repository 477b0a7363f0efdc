## Side by side in GNU Octave, on N elements (1e7 unless given), in one session:
##   octave-cli bench/octave_compare.m FOLDER [N]
## where FOLDER holds the Octave builds of nubrik and quenrel. Every result is
## checked against the alternative's before its time is reported; each time is
## the best of several runs.
args = argv ();
addpath (args{1});
n = 1e7;
if (numel (args) > 1)
  n = str2double (args{2});
endif
runs = 5;

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
tc = fastest (@() corr (a, b), runs);
tk = fastest (@() corrcoef (a, b), runs);
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
tv = min (fastest (@() by_uint16 (x), 3), fastest (@() by_double (x), 3));
printf ("nubrik    %8.2f ms\n", 1e3 * tn);
printf ("vectorized%8.2f ms   %5.1f times nubrik's time\n", 1e3 * tv, tv / tn);
