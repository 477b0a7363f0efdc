function first_run_report(folder)
%FIRST_RUN_REPORT  Prints what MathWorks' documentation leaves open about
%   nubrik and quenrel in this MATLAB, each answer on a line that starts with
%   "FIRST RUN:", for the MEX files in FOLDER: the release and system, whether
%   the files load as they are (they export mexFunction alone, with no API
%   version), what an error carries (identifier, closing line feed), what []
%   written in a cell literal arrives as, and the message of an error raised by
%   DOUBLE inside quenrel. Never fails: every answer, an error included, is
%   printed.

% Written from MathWorks' documentation; it has not run in MATLAB yet.
fprintf('FIRST RUN: MATLAB %s on %s (%s), MEX files %s, in %s\n', version, ...
    computer('arch'), system_name(), mexext(), folder);
addpath(folder);
restore = onCleanup(@() rmpath(folder));
report('the MEX files load as they are', @() sprintf('yes: nubrik(uint8(255)) gives %d', ...
    nubrik(uint8(255))));
report('a MEX error', @() error_parts(@() nubrik_two_outputs()));
report('[] written in a cell literal arrives as', @() cell_literal());
report('DOUBLE''s error inside quenrel', @() error_parts(@() quenrel({1}, 2)));
end

function report(what, answer)
try
    text = answer();
catch err
    text = ['the call failed: ' escaped(err.message)];
end
fprintf('FIRST RUN: %s: %s\n', what, text);
end

function text = error_parts(f)
try
    f();
    text = 'no error';
catch err
    ending = 'without';
    if ~isempty(err.message) && err.message(end) == newline
        ending = 'with';
    end
    text = sprintf('identifier "%s", message "%s", %s a closing line feed', ...
        err.identifier, escaped(err.message), ending);
end
end

function nubrik_two_outputs()
[~, ~] = nubrik(1);
end

function text = cell_literal()
result = nubrik({[]});
if isa(result{1}, 'int8')
    text = 'an empty double array (its count is an empty int8 array)';
else
    text = sprintf('an absent element (left absent: %s %s)', class(result{1}), ...
        mat2str(size(result{1})));
end
end

function text = escaped(message)
text = strrep(message, newline, '\n');
end

function name = system_name()
name = getenv('ImageOS');
if isempty(name)
    name = 'no runner image named';
end
end
