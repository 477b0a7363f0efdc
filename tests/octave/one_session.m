## The three Octave builds of both functions in one session, the .oct build
## loaded first, each called and giving the same results:
##   octave-cli one_session.m OCT MEX BRIDGED
## with the folders of the builds, and the bridge libraries on LD_LIBRARY_PATH.
## Octave loads a native function with its symbols global: were the .oct build
## to export a host operation (mxGetCell_700, say), it would answer the
## imports of a MEX file loaded after it, the bridged .mexa64 among them. The
## MEX builds are copied under names of their own, NAME_mex and NAME_bridged,
## as Octave looks up a MEX file's mexFunction whatever its name. Then the
## functions are cleared, which unloads the .oct files, and the results are
## used and released: a value that the binding left pointing into its own
## library would end the session there.
## Exits non-zero on any difference.
args = argv ();
[oct, mex, bridged] = deal (args{1:3});
addpath (fullfile (fileparts (mfilename ("fullpath")), "agree"));
work = tempname ();
mkdir (work);
for name = {"nubrik", "quenrel"}
  copyfile (fullfile (mex, [name{1} ".mex"]), fullfile (work, [name{1} "_mex.mex"]));
  copyfile (fullfile (bridged, [name{1} ".mex"]), fullfile (work, [name{1} "_bridged.mex"]));
endfor
addpath (oct);
addpath (work);
## Every kind of leaf and container, without characters, which the bridged
## .mexa64 reads two at a time.
x = {uint8(0:255), int16(-5:5), single(pi), randn(3, 4), sparse([0 2; 3 0]), ...
     {true, struct("f", {int64(-1), @sin}, "g", {{1, 2}, []})}, @cos};
a = 1e6 + randn (1000, 1);
b = 0.25 * a + randn (1000, 1);
failed = false;
expected = {nubrik(x), quenrel(a, b)};
assert (strcmp (which ("nubrik"), fullfile (oct, "nubrik.oct")));
for build = {"_mex", "_bridged", ""}
  got = {feval(["nubrik" build{1}], x), feval(["quenrel" build{1}], a, b)};
  what = value_difference (got, expected, ["the results of the build " build{1}]);
  if (! isempty (what))
    printf ("%s\n", what);
    failed = true;
  endif
endfor
clear -f nubrik quenrel
clear functions
assert (isempty (value_difference (nubrik (x), expected{1}, "")));
clear expected got
confirm_recursive_rmdir (false);
rmdir (work, "s");
if (! failed)
  printf ("the .oct, MEX and bridged builds in one session give the same results\n");
endif
exit (failed);
