## Runs the examples in the help texts of both functions, as Octave's package
## index runs them, against the build or installed package in one folder:
##   octave-cli run_doctest.m FOLDER
## Each function must have examples, and every one must print what its help
## text shows. Exits non-zero otherwise.
args = argv ();
addpath (args{1});
pkg load doctest
failed = false;
for name = {"nubrik", "quenrel"}
  [passed, total] = doctest (name{1});
  if (total == 0)
    printf ("%s: its help text holds no example that doctest reads\n", name{1});
  endif
  failed = failed || total == 0 || passed != total;
endfor
exit (failed);
