## Installs the Octave package of a release into a throw-away prefix, as a user
## would, and checks it:
##   octave-cli package_in_octave.m PACKAGE BUILT SCRATCH SOAK [SHA256 VERSION]
## pkg install, pkg load, each function a native Octave function (NAME.oct)
## showing its help text, its README in the installed package's doc folder,
## the examples in the installed folder's help texts run by doctest as
## Octave's package index runs them, and those of both functions' help texts
## (a run that finds none fails), pkg test,
## the soak test in the folder SOAK, results the same in class, type,
## extents, fields and bits as those of the .oct builds in BUILT, and pkg
## uninstall,
## all with the package lists and prefix in the emptied folder SCRATCH; the
## machine's own package lists are never touched. PACKAGE is a file or, as in
## an entry of the package index, a URL; with SHA256 and VERSION, as the index
## checks an entry, the file at the URL is downloaded and must have that
## checksum, and that file is installed and must be that version. Exits
## non-zero on any fault.
args = argv ();
[package, built, scratch, soak_dir] = deal (args{1:4});
addpath (fullfile (fileparts (mfilename ("fullpath")), "..", "octave", "agree"));
## Loaded from the machine's own package list, before it is set aside.
pkg load doctest
confirm_recursive_rmdir (false);
if (isfolder (scratch))
  rmdir (scratch, "s");
endif
mkdir (scratch);
pkg ("local_list", fullfile (scratch, "local_packages"));
pkg ("global_list", fullfile (scratch, "global_packages"));
pkg ("prefix", fullfile (scratch, "share"), fullfile (scratch, "lib"));
name = "nubrik-quenrel";

if (numel (args) == 6)
  downloaded = fullfile (scratch, "downloaded.tar.gz");
  [~, fetched, message] = urlwrite (package, downloaded);
  assert (fetched, "%s does not download: %s", package, message);
  fid = fopen (downloaded);
  sha256 = hash ("sha256", char (fread (fid, Inf, "*uint8")'));
  fclose (fid);
  assert (strcmp (sha256, args{5}), "%s has the SHA256 %s, not %s", package, sha256, args{5});
  package = downloaded;
endif
pkg ("install", "-local", package);
pkg ("load", name);
installed = pkg ("list", name);
assert (numel (installed) == 1, "%s is not installed", name);
info = installed{1};
if (numel (args) == 6)
  assert (strcmp (info.version, args{6}), "version %s is installed, not %s", info.version, args{6});
endif
for f = {"nubrik", "quenrel"}
  assert (strncmp (which (f{1}), info.archprefix, numel (info.archprefix)),
          "%s does not come from the package", f{1});
  assert (strcmp (which (f{1})(end-3:end), ".oct"), "%s is %s, not a native function", f{1},
          which (f{1}));
  assert (! isempty (strfind (evalc (["help " f{1}]), toupper (f{1}))),
          "help %s shows no help text", f{1});
endfor

## The package's README, where the installed package keeps it.
readme = fullfile (info.dir, "doc", "README.md");
assert (isfile (readme), "the installed package has no %s", readme);
assert (! isempty (strfind (fileread (readme), "Comparing error texts")), "%s lacks the messages",
        readme);

## The examples in the help texts of the installed folder, as Octave's package
## index runs them there, and those of the help text each function carries.
[passed, total] = doctest ({info.dir, "nubrik", "quenrel"});
assert (total > 0 && passed == total, "doctest in %s and of both functions: %d of %d examples pass",
        info.dir, passed, total);

## pkg test reports, but does not stop on, failures: its summary must show none.
report = evalc (sprintf ("pkg test %s", name));
disp (report);
passed = regexp (report, "PASS\\s+(\\d+)", "tokens", "once");
failed = regexp (report, "FAIL\\s+(\\d+)", "tokens", "once");
assert (! isempty (passed) && str2double (passed{1}) > 0, "pkg test ran no test");
assert (! isempty (failed) && str2double (failed{1}) == 0, "pkg test has failures");

## Long use of the installed functions keeps no memory.
addpath (soak_dir);
soak ();
rmpath (soak_dir);

## The same calls through the package's builds and those in BUILT.
a = 1e6 + randn (1000, 1);
b = 0.25 * a + randn (1000, 1);
x = {uint8(0:255), int16(-5:5), single(pi), randn(3, 4) * 1e10, "text", {true, struct("f", int64(-1))}};
from_package = {quenrel(a, b), nubrik(x)};
pkg ("unload", name);
addpath (built);
from_built = {quenrel(a, b), nubrik(x)};
rmpath (built);
what = value_difference (from_package, from_built, "the results");
assert (isempty (what), "the package's builds and those in %s differ: %s", built, what);

pkg ("uninstall", "-local", name);
assert (isempty (pkg ("list")), "the package is still listed after pkg uninstall");
assert (! isfolder (info.dir), "pkg uninstall left %s", info.dir);
printf ("%s: installed, loaded, tested, the same as the builds in %s, uninstalled\n", package,
        built);
