## Runs one function's self tests against the build in one folder, after
## checking that help shows the function's help file there:
##   octave-cli run_suite.m FOLDER FUNCTION BUILD
## where BUILD is "native" or "bridged". First as an Octave user runs them,
## with test FUNCTION (the %! block of the help file, which runs the script
## FUNCTION_test.m); then as MATLAB's runtests does, each section of the
## script on its own after the script's preamble, in a workspace of its own.
## Exits non-zero unless everything passes.
1;

## Runs one section as a script beside the test script, where its private
## helpers are found, and in this function's workspace alone.
function run_section (script)
  run (script);
endfunction

args = argv ();
[folder, name, build] = deal (args{1:3});
addpath (folder);
help_file = file_in_loadpath ([name ".m"]);
tests = file_in_loadpath ([name "_test.m"]);
for file = {which(name), help_file, tests}
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
printf ("test %s (%s): %d passed, %d failed\n", name, build, passed, total - passed);
failed = total == 0 || passed != total;

parts = regexp (fileread (tests), '(?m)^%%', "split");
for k = 2:numel (parts)
  title = strtrim (strtok (parts{k}, "\n"));
  section = fullfile (fileparts (tests), sprintf ("%s_section_%d.m", name, k));
  fid = fopen (section, "w");
  fputs (fid, [parts{1} "%%" parts{k}]);
  fclose (fid);
  try
    run_section (section);
    printf ("  passed: %s\n", title);
  catch err
    printf ("  FAILED: %s: %s\n", title, err.message);
    failed = true;
  end_try_catch
  delete (section);
endfor
exit (failed);
