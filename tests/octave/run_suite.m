## Runs one function's Octave test suite against the build in one folder:
##   octave-cli run_suite.m FOLDER FUNCTION BUILD
## where BUILD is "native" or "bridged". Exits non-zero unless every test passes.
args = argv ();
[folder, name, build] = deal (args{1:3});
addpath (folder);
addpath (fileparts (mfilename ("fullpath")));
loaded = which (name);
if (! strncmp (loaded, folder, numel (folder)))
  printf ("%s comes from %s, not from %s\n", name, loaded, folder);
  exit (1);
endif
setenv ("MEX_BUILD", build);
[passed, total] = test (["test_" name], "quiet", stdout);
printf ("%s (%s): %d passed, %d failed\n", name, build, passed, total - passed);
exit (total == 0 || passed != total);
