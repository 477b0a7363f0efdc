## Runs the functions of an unpacked Linux release for MATLAB inside Octave:
##   octave-cli bundle_in_octave.m FOLDER VIEW
## The .mexa64 files of FOLDER and their help files are linked into the
## emptied folder VIEW under the names Octave looks for (the bridge libraries
## must be on LD_LIBRARY_PATH); there, each function's help must be the
## bundled text and its self tests must pass. Exits non-zero otherwise.
args = argv ();
[folder, view] = deal (args{1:2});
confirm_recursive_rmdir (false);
if (isfolder (view))
  rmdir (view, "s");
endif
mkdir (view);
failed = 0;
for name = {"nubrik", "quenrel"}
  symlink (fullfile (folder, [name{1} ".mexa64"]), fullfile (view, [name{1} ".mex"]));
  symlink (fullfile (folder, [name{1} ".m"]), fullfile (view, [name{1} ".m"]));
endfor
addpath (view);
setenv ("MEX_BUILD", "bridged");
for name = {"nubrik", "quenrel"}
  text = fileread (fullfile (folder, [name{1} ".m"]));
  h1 = regexp (text, "^%([^\n]*)", "tokens", "once"){1};
  shown = evalc (["help " name{1}]);
  if (! strcmp (which (name{1}), fullfile (view, [name{1} ".mex"])) || isempty (strfind (shown, h1)))
    printf ("%s: help shows no bundled text, or the function comes from elsewhere\n", name{1});
    failed = 1;
  endif
  [passed, total] = test (name{1}, "quiet", stdout);
  printf ("%s from the bundle: %d passed, %d failed\n", name{1}, passed, total - passed);
  failed = failed || total == 0 || passed != total;
endfor
exit (failed);
