function make_macos_zip(release, built, target)
%MAKE_MACOS_ZIP  Makes the release zip for MATLAB on macOS on Apple silicon,
%   laid out like the other zips: the Linux zip in the folder RELEASE gives
%   the help files, the self tests, the help index, the README and the
%   license; the folder BUILT, where build_mex built both functions here,
%   gives the .mexmaca64 files. Writes nubrik-quenrel-VERSION-macos-arm64.zip
%   into the folder TARGET.

% Written from MathWorks' documentation; it has not run in MATLAB yet.
assert(strcmp(mexext(), 'mexmaca64'), 'This MATLAB builds %s files, not mexmaca64', mexext());
linux = dir(fullfile(release, 'nubrik-quenrel-*-linux-x86_64.zip'));
assert(numel(linux) == 1, 'There is no single Linux zip in %s', release);
name = erase(linux.name, '-linux-x86_64.zip');
staging = fullfile(target, 'staging');
unpack_release(release, 'linux-x86_64', fullfile(staging, name));
delete(fullfile(staging, name, '*.mexa64'));
for f = {'nubrik', 'quenrel'}
    copyfile(fullfile(built, [f{1} '.mexmaca64']), fullfile(staging, name));
end
zip(fullfile(target, [name '-macos-arm64.zip']), name, staging);
rmdir(staging, 's');
end
