function folder = build_mex(folder)
%BUILD_MEX  Build nubrik and quenrel from source in this MATLAB or GNU Octave.
%   BUILD_MEX compiles both functions with the C++ compiler that this host's
%   mex command (in MATLAB) or mkoctfile (in GNU Octave) is set up for, into
%   the folder build/<host> beside this file, puts their help files and self
%   tests beside them (with the table of coefficients that quenrel's self
%   tests read), and prints the ADDPATH command that makes them available.
%   In MATLAB they are MEX files; in GNU Octave, native Octave functions
%   (NAME.oct, built by interface/octave/build_oct.m with make and the Octave
%   package's Makefile), which skip the copies that Octave's MEX layer makes
%   of every argument and result. In Octave, one line says which vector paths
%   nubrik was built with: under MinGW (Octave for Windows), AVX-512 and AVX2
%   only where the assembler takes -muse-unaligned-vector-move.
%
%   BUILD_MEX(FOLDER) builds into FOLDER instead. FOLDER = BUILD_MEX(...)
%   returns the folder.
%
%   The flags keep quenrel equal bit for bit to the plain sequential loop: no
%   contraction of a product and a sum into a fused multiply-add, and no
%   fast-math reordering (-ffp-contract=off -fno-fast-math with GCC and Clang,
%   /fp:strict with Microsoft's compiler). In MATLAB, -compatibleArrayDims
%   selects the 32-bit-extent interface the sources are written for.
%
%   On Apple silicon, MATLAB releases before R2025b link C++ MEX files only
%   with Xcode's classic linker: there BUILD_MEX passes -ld_classic to the
%   linker and says so. With R2025b and later it passes no such flag, and
%   builds once more with it, saying so, when the link fails for want of
%   _mexCreateMexFunction. When the linker does not know -ld_classic, it says
%   so plainly; any other failure shows mex's own message.
%
%   BUILD_MEX stops with an error when no C++ compiler is set up.
%
%   Example:
%     build_mex                     % then the ADDPATH line it prints
%     folder = build_mex(tempname); addpath(folder); nubrik(uint8(255))
%
%   See also MEX, MKOCTFILE, ADDPATH, NUBRIK, QUENREL.

% The MATLAB branches are written from MathWorks' documentation and have not run
% in MATLAB yet; the Octave branches run in every test of this repository.
root = fileparts(mfilename('fullpath'));
inOctave = exist('OCTAVE_VERSION', 'builtin') ~= 0;
if nargin < 1
    if inOctave
        folder = fullfile(root, 'build', 'octave');
    else
        folder = fullfile(root, 'build', 'matlab');
    end
end
if inOctave
    checkOctaveCompiler();
else
    flags = matlabFlags();
end
if ~exist(folder, 'dir')
    mkdir(folder);
end
% Each function, and the files that go beside it.
functions = {'nubrik', {'nubrik.m'}; 'quenrel', {'quenrel.m', 'quenrel_bits.txt'}};
for k = 1:size(functions, 1)
    [name, files] = functions{k, :};
    source = fullfile(root, name, [name '.cpp']);
    if inOctave
        buildInOctave(root, source, fullfile(root, name, [name '.m']), ...
            fullfile(folder, [name '.oct']));
    else
        buildInMatlab(source, folder, flags);
    end
    for f = 1:numel(files)
        copyfile(fullfile(root, name, files{f}), folder);
    end
end
copyfile(fullfile(root, 'tests', 'self', '*'), folder);
fprintf('Built nubrik and quenrel in %s\nTo use them: addpath(''%s'')\n', folder, folder);
if nargout == 0
    clear folder
end
end

% The arguments of MATLAB's mex for the compiler it is set up for. Apple
% silicon with a release before R2025b needs the classic linker for C++ (as
% reported for R2024a and R2024b with recent Xcode); whether each Xcode's
% linker still takes it shows on the first build there.
function flags = matlabFlags()
compiler = mex.getCompilerConfigurations('C++', 'Selected');
if isempty(compiler)
    error('build_mex:noCompiler', ['No C++ compiler is set up for MEX files. ' ...
        'Run "mex -setup C++" (install a supported compiler first), then build_mex again.']);
end
fprintf('build_mex: MATLAB %s on %s, building with %s %s\n', version, computer('arch'), ...
    compiler.Name, compiler.Version);
if ispc && ~strcmp(compiler.Manufacturer, 'GNU')
    flags = {'-compatibleArrayDims', 'COMPFLAGS=$COMPFLAGS /fp:strict'};
else
    flags = {'-compatibleArrayDims', 'CXXFLAGS=$CXXFLAGS -ffp-contract=off -fno-fast-math'};
end
if strcmp(computer('arch'), 'maca64') && isMATLABReleaseOlderThan('R2025b')
    flags{end + 1} = classicLinker();
    fprintf(['build_mex: linking with -ld_classic, which MATLAB releases before R2025b ' ...
        'need on Apple silicon\n']);
end
end

function flag = classicLinker()
flag = 'LDFLAGS=$LDFLAGS -ld_classic';
end

function buildInMatlab(source, folder, flags)
try
    mex(flags{:}, '-outdir', folder, source);
catch err
    classic = any(strcmp(flags, classicLinker()));
    if ~classic && strcmp(computer('arch'), 'maca64') && ...
            contains(err.message, '_mexCreateMexFunction')
        % Reported with R2024b; R2025b is reported to link without the flag.
        fprintf(['build_mex: linking %s failed for want of _mexCreateMexFunction; ' ...
            'building once more with -ld_classic\n'], source);
        try
            mex(flags{:}, classicLinker(), '-outdir', folder, source);
            return
        catch err
            classic = true;
        end
    end
    if classic && classicLinkerRefused(err.message)
        error('build_mex:classicLinker', ['This Xcode''s linker does not know ' ...
            '-ld_classic, which MATLAB releases before R2025b need on Apple silicon to ' ...
            'link C++ MEX files. Use MATLAB R2025b or newer, or select an older Xcode ' ...
            'with xcode-select.\n%s'], err.message);
    end
    rethrow(err);
end
end

% Whether the linker, or the compiler driver that calls it, says it does not
% know -ld_classic ("ld: unknown option: -ld_classic", "unknown argument:
% '-ld_classic'"). Every link of R2024b on Xcode 16 warns that -ld_classic is
% deprecated, so the word alone says nothing.
function refused = classicLinkerRefused(message)
refused = ~isempty(regexp(message, 'unknown (option|argument):? *''?-ld_classic', 'once'));
end

% Octave's mkoctfile must find a compiler that runs.
function checkOctaveCompiler()
compiler = strtrim(mkoctfile('-p', 'CXX'));
[status, ~] = system([compiler ' --version']);
if status ~= 0
    error('build_mex:noCompiler', ['No C++ compiler is set up: Octave''s mkoctfile ' ...
        'uses "%s", which does not run. Install it (on Debian and Ubuntu: ' ...
        'apt install g++ make octave-dev, or liboctave-dev on older releases), ' ...
        'then build_mex again.'], compiler);
end
end

function buildInOctave(root, source, helpFile, target)
binding = fullfile(root, 'interface', 'octave');
addpath(binding);
try
    build_oct(source, helpFile, target);
catch err
    rmpath(binding);
    error('build_mex:failed', 'Building %s failed:\n%s', source, err.message);
end
rmpath(binding);
end
