## Runs one function's Octave self tests (the %! blocks of its help file)
## against the build in one folder, after checking that help shows that file:
##   octave-cli run_suite.m FOLDER FUNCTION BUILD
## where BUILD is "native" or "bridged". Exits non-zero unless every test passes.
args = argv ();
[folder, name, build] = deal (args{1:3});
addpath (folder);
help_file = file_in_loadpath ([name ".m"]);
for file = {which(name), help_file}
  if (! strncmp (file{1}, folder, numel (folder)))
    printf ("%s comes from %s, not from %s\n", name, file{1}, folder);
    exit (1);
  endif
endfor
h1 = regexp (fileread (help_file), "^%([^\n]*)", "tokens", "once"){1};
if (isempty (strfind (evalc (["help " name]), h1)))
  printf ("help %s does not show the help file's text\n", name);
  exit (1);
endif
setenv ("MEX_BUILD", build);
[passed, total] = test (name, "quiet", stdout);
printf ("%s (%s): %d passed, %d failed\n", name, build, passed, total - passed);
exit (total == 0 || passed != total);
