function file = make_toolbox(release, target, minimumRelease)
%MAKE_TOOLBOX  Packages the MATLAB toolbox file nubrik-quenrel-VERSION.mltbx
%   into the folder TARGET from the release zips in the folder RELEASE: the
%   Linux zip's files (help files, self tests, help index, README, license and
%   .mexa64 files), with the .mexw64 files of the Windows zip and the
%   .mexmaca64 and .mexmaci64 files of the two Mac zips beside them, so that
%   one toolbox runs on every system it names: Linux, Windows, every Mac, and
%   MATLAB Online (which runs the Linux files).
%   MINIMUMRELEASE is the oldest MATLAB release the self tests run in (such as
%   'R2022b'). Returns the file's path. Needs R2023a or later (ToolboxOptions).

% Written from MathWorks' documentation; it has not run in MATLAB yet.
linux = dir(fullfile(release, 'nubrik-quenrel-*-linux-x86_64.zip'));
assert(numel(linux) == 1, 'There is no single Linux zip in %s', release);
toolboxVersion = erase(erase(linux.name, 'nubrik-quenrel-'), '-linux-x86_64.zip');
folder = fullfile(target, 'nubrik-quenrel');
unpack_release(release, 'linux-x86_64', folder);
for platform = {'windows-x64', 'macos-arm64', 'macos-x86_64'}
    unpacked = fullfile(target, platform{1});
    unpack_release(release, platform{1}, unpacked);
    copyfile(fullfile(unpacked, 'nubrik.mex*'), folder);
    copyfile(fullfile(unpacked, 'quenrel.mex*'), folder);
    rmdir(unpacked, 's');
end

% The identifier stays the same from version to version: it is how MATLAB's
% Add-On Manager knows a newer version of the same toolbox.
options = matlab.addons.toolbox.ToolboxOptions(folder, '5d0c8f7e-3b1a-4c59-9e2d-7a6f4b8c1e03');
options.ToolboxName = 'nubrik-quenrel';
options.ToolboxVersion = toolboxVersion;
options.Summary = 'Set-bit counts and bit-exact correlation';
options.Description = ['nubrik counts the set bits of every element of numeric, char and ' ...
    'logical arrays, through cells and structs at any depth. quenrel returns the ' ...
    'correlation coefficient of two real arrays, computed in two passes and equal bit for ' ...
    'bit to the plain sequential loop on every machine.'];
options.AuthorName = 'The nubrik and quenrel authors';
options.ToolboxMatlabPath = {folder};
options.MinimumMatlabRelease = minimumRelease;
% Maci64 stands for every Mac, Apple silicon included: MathWorks' own
% ToolboxOptions has no field for Apple silicon alone. A release that names
% the Mac as a whole otherwise (a field Mac, as some packaging scripts set) has
% that set too; the log shows the fields this release has.
fields = fieldnames(options.SupportedPlatforms);
fprintf('FIRST RUN: ToolboxOptions.SupportedPlatforms in MATLAB %s has the fields %s\n', ...
    version, strjoin(fields', ', '));
options.SupportedPlatforms.Win64 = true;
options.SupportedPlatforms.Glnxa64 = true;
options.SupportedPlatforms.Maci64 = true;
options.SupportedPlatforms.MatlabOnline = true;
if any(strcmp(fields, 'Mac'))
    options.SupportedPlatforms.Mac = true;
    fprintf('FIRST RUN: the field Mac is set as well\n');
end
disp(options.SupportedPlatforms);
file = fullfile(target, ['nubrik-quenrel-' toolboxVersion '.mltbx']);
options.OutputFile = file;
matlab.addons.toolbox.packageToolbox(options);
end
