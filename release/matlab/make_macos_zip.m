function make_macos_zip(release, built, target, platform)
%MAKE_MACOS_ZIP  Makes the release zip for MATLAB on a Mac, laid out like the
%   other zips: the Linux zip in the folder RELEASE gives the help files, the
%   self tests, the help index, the README and the license; the folder BUILT,
%   where build_mex built both functions in this MATLAB, gives the MEX files.
%   PLATFORM is macos-arm64 (Apple silicon, .mexmaca64) or macos-x86_64
%   (Intel, .mexmaci64), which this MATLAB must build. Writes
%   nubrik-quenrel-VERSION-PLATFORM.zip into the folder TARGET.

% Written from MathWorks' documentation; it has not run in MATLAB yet.
extensions = struct('macos_arm64', 'mexmaca64', 'macos_x86_64', 'mexmaci64');
extension = extensions.(strrep(platform, '-', '_'));
assert(strcmp(mexext(), extension), 'This MATLAB builds %s files, not %s', mexext(), extension);
linux = dir(fullfile(release, 'nubrik-quenrel-*-linux-x86_64.zip'));
assert(numel(linux) == 1, 'There is no single Linux zip in %s', release);
name = erase(linux.name, '-linux-x86_64.zip');
staging = fullfile(target, ['staging-' platform]);
unpack_release(release, 'linux-x86_64', fullfile(staging, name));
delete(fullfile(staging, name, '*.mexa64'));
for f = {'nubrik', 'quenrel'}
    copyfile(fullfile(built, [f{1} '.' extension]), fullfile(staging, name));
end
zip(fullfile(target, [name '-' platform '.zip']), name, staging);
rmdir(staging, 's');
end
