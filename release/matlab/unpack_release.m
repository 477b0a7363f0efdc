function unpack_release(folder, platform, target)
%UNPACK_RELEASE  Unpacks the release zip for PLATFORM (linux-x86_64,
%   windows-x64 or macos-arm64) in FOLDER into the new folder TARGET, which
%   then holds what the zip's top folder holds: the MEX files, help files and
%   self tests. It unpacks straight into TARGET and moves files only within it,
%   so nothing crosses from one drive to another (hosted Windows runners keep
%   the temporary folder on C: and the workspace on D:).

% Written from MathWorks' documentation; it has not run in MATLAB yet.
zips = dir(fullfile(folder, ['*-' platform '.zip']));
assert(numel(zips) == 1, 'There is no single release zip for %s in %s', platform, folder);
assert(~exist(target, 'file'), '%s exists already', target);
unzip(fullfile(folder, zips.name), target);
top = dir(fullfile(target, 'nubrik-quenrel-*'));
assert(numel(top) == 1 && top.isdir, 'The zip for %s has no single top folder', platform);
movefile(fullfile(target, top.name, '*'), target);
rmdir(fullfile(target, top.name));
end
