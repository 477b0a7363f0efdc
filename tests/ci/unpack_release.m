function unpack_release(folder, platform, target)
%UNPACK_RELEASE  Unpacks the release zip for PLATFORM (linux-x86_64 or
%   windows-x64) in FOLDER into the new folder TARGET, which then holds what
%   the zip's top folder holds: the MEX files, help files and self tests.
zips = dir(fullfile(folder, ['*-' platform '.zip']));
assert(numel(zips) == 1, 'There is no single release zip for %s in %s', platform, folder);
unpacked = tempname;
unzip(fullfile(folder, zips.name), unpacked);
top = dir(fullfile(unpacked, 'nubrik-quenrel-*'));
movefile(fullfile(unpacked, top.name), target);
end
