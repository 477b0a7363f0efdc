## Calls made inside a call, on one build of both functions:
##   octave-cli nested_calls.m FOLDER
## quenrel on arrays of nested_value, whose conversion to double calls quenrel
## (two levels deep) and nubrik: each function runs again while a call of its
## own is converting an argument, and must give, inside and out, what the same
## calls give on plain doubles. Exits non-zero otherwise.
addpath (argv (){1});
addpath (fullfile (fileparts (mfilename ("fullpath")), "nested"));
a = 1e6 + sin (1:50)';
b = 0.5 * a + cos (1:50)';
expected = quenrel (a, b);
for depth = 1:2
  got = quenrel (nested_value.wrap (a, depth), nested_value.wrap (b, depth));
  if (! isequal (typecast (got, "uint64"), typecast (expected, "uint64")))
    printf ("quenrel with calls nested %d deep: %.17g, not %.17g\n", depth, got, expected);
    exit (1);
  endif
  printf ("quenrel with calls of both functions nested %d deep: %.17g\n", depth, got);
endfor
## The session goes on with both functions as before.
if (! isequal (nubrik (uint8 (255)), int8 (8)) || quenrel (a, b) != expected)
  printf ("the calls after the nested ones differ\n");
  exit (1);
endif
