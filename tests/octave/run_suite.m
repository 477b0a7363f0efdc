## Runs one function's self tests against the build in one folder, after
## checking that help shows the text of the function's help file there:
##   octave-cli run_suite.m FOLDER FUNCTION BUILD [MEX_FOLDER]
## where BUILD is "oct", "mex" or "bridged". First as an Octave user runs them,
## with test FUNCTION (the %! block of the help file, which runs the script
## FUNCTION_test.m); then as MATLAB's runtests does, each section of the
## script on its own after the script's preamble, in a workspace of its own.
## The sections are written before anything runs, into a folder of this run's
## own beside a copy of the private helpers. Octave gives a script its private
## functions only when it finds the script through its path (here, the current
## folder), and it reads a folder again only when the folder's time stamp has
## moved on since it last looked: a section written into a folder already read,
## as the build folder is, could run without its helpers.
## With MEX_FOLDER, every call of FUNCTION in the sections is made on this
## build and on the MEX build in MEX_FOLDER, whose outcomes must agree
## (agree/both_builds.m, placed among the private helpers with a FUNCTION.m
## that calls it), and a last section calls it on the values of
## agree/octave_values.m; test FUNCTION is left out, as it runs the script
## where those calls are not made on both.
## Exits non-zero unless everything passes.
1;

## Runs one section as a script beside its private helpers, in this function's
## workspace alone.
function run_section (script)
  run (script);
endfunction

args = argv ();
[folder, name, build] = deal (args{1:3});
addpath (folder);
help_file = file_in_loadpath ([name ".m"]);
tests = file_in_loadpath ([name "_test.m"]);
built = which (name);
for file = {built, help_file, tests}
  if (! strncmp (file{1}, folder, numel (folder)))
    printf ("%s comes from %s, not from %s\n", name, file{1}, folder);
    exit (1);
  endif
endfor
## The help text, which a native function carries, must be the help file's.
h1 = regexp (fileread (help_file), "^%([^\n]*)", "tokens", "once"){1};
if (isempty (strfind (evalc (["help " name]), h1))
    || ! strcmp (get_help_text (name), get_help_text_from_file (help_file)))
  printf ("help %s does not show the help file's text\n", name);
  exit (1);
endif
parts = regexp (fileread (tests), '(?m)^%%', "split");
work = tempname ();
mkdir (work);
copyfile (fullfile (fileparts (tests), "private"), fullfile (work, "private"));
sections = cell (1, numel (parts));
for k = 2:numel (parts)
  sections{k} = fullfile (work, sprintf ("%s_section_%d.m", name, k));
  fid = fopen (sections{k}, "w");
  fputs (fid, [parts{1} "%%" parts{k}]);
  fclose (fid);
endfor
compared = numel (args) > 3;
if (compared)
  agree = fullfile (fileparts (mfilename ("fullpath")), "agree");
  sections{end + 1} = fullfile (work, sprintf ("%s_section_%d.m", name, numel (sections) + 1));
  parts{end + 1} = "  Octave's own forms of values, objects, and the limits\n";
  fid = fopen (sections{end}, "w");
  fputs (fid, strrep (fileread (fullfile (agree, "octave_values.m")), "FUNCTION", name));
  fclose (fid);
  addpath (fullfile (agree, "classes"));
  ## Each build as the private function of a folder of its own.
  copyfile (fullfile (agree, {"both_builds.m", "value_difference.m", [name ".m"]}),
            fullfile (work, "private"));
  placed = {"tested", built; "mex", fullfile(args{4}, [name ".mex"])};
  for b = 1:rows (placed)
    mkdir (fullfile (work, placed{b, 1}, "private"));
    copyfile (fullfile (agree, [placed{b, 1} "_build.m"]), fullfile (work, placed{b, 1}));
    [~, ~, extension] = fileparts (placed{b, 2});
    copyfile (placed{b, 2}, fullfile (work, placed{b, 1}, "private", [name extension]));
    addpath (fullfile (work, placed{b, 1}));
  endfor
  global builds_compared builds_differ
  builds_compared = builds_differ = 0;
endif

setenv ("MEX_BUILD", build);
failed = false;
if (! compared)
  [passed, total] = test (name, "quiet", stdout);
  printf ("test %s (%s): %d passed, %d failed\n", name, build, passed, total - passed);
  failed = total == 0 || passed != total;
endif

for k = 2:numel (parts)
  title = strtrim (strtok (parts{k}, "\n"));
  try
    run_section (sections{k});
    printf ("  passed: %s\n", title);
  catch err
    printf ("  FAILED: %s: %s\n", title, err.message);
    failed = true;
  end_try_catch
endfor
if (compared)
  printf ("%d calls of %s made on the %s and the MEX build: %d differ\n", builds_compared,
          name, build, builds_differ);
  failed = failed || builds_compared == 0 || builds_differ > 0;
endif
confirm_recursive_rmdir (false);
rmdir (work, "s");
exit (failed);
