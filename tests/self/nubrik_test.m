% Self tests of nubrik: in MATLAB, runtests('nubrik_test') runs each section
% below as one test; in Octave, test nubrik runs this script. Every count is
% checked against the element's stored bytes, counted with a byte table
% (private/bit_counts.m). Where the hosts differ, each host's own behaviour is
% checked: Octave's characters are 8 bits wide, complex integer arrays exist
% in MATLAB only, and Octave puts the function's name before an error text.
% The MATLAB branches are written from MathWorks' documentation and have not
% run in MATLAB yet.
mismatch = mex_message('nubrik', 'mismatch');

%% Single values count the set bits of their stored pattern
assert_same(nubrik(uint8(255)), int8(8));
assert_same(nubrik(int8(-1)), int8(8));
assert_same(nubrik(true), int8(1));
assert_same(nubrik(1), int8(10));
assert_same(nubrik(-0), int8(1));
assert_same(nubrik(single(1)), int8(7));
assert_same(nubrik(intmax('uint64')), int8(64));
assert_same(nubrik(intmin('int32')), int8(1));

%% Every numeric class and shape, from random bytes
classes = {'double', 'single', 'int8', 'uint8', 'int16', 'uint16', 'int32', 'uint32', ...
    'int64', 'uint64'};
shapes = {[0 0], [1 1], [1 7], [5 1], [2 3 4], [2 0 3], [1 1 1 6], [3 2 1 2]};
for c = 1:numel(classes)
    width = numel(typecast(zeros(1, 1, classes{c}), 'uint8'));
    for s = 1:numel(shapes)
        bytes = uint8(randi([0 255], 1, prod(shapes{s}) * width));
        x = reshape(typecast(bytes, classes{c}), shapes{s});
        assert_same(nubrik(x), bit_counts(x), [classes{c} ' ' mat2str(shapes{s})]);
    end
end

%% Arrays long enough to be counted a vector at a time, of every length around its steps
classes = {'double', 'single', 'int16', 'uint8'};
for c = 1:numel(classes)
    width = numel(typecast(zeros(1, 1, classes{c}), 'uint8'));
    for n = [1:97, 1023:1025, 10007]
        x = typecast(uint8(randi([0 255], 1, n * width)), classes{c});
        assert_same(nubrik(x), bit_counts(x), sprintf('%s, %d elements', classes{c}, n));
    end
end

%% Logical arrays
x = rand(3, 4, 2) > 0.5;
assert_same(nubrik(x), bit_counts(x));

%% Characters count their code units
if chars_counted()
    assert_same(nubrik('A'), int8(2));
    if in_octave()
        top = 255;
    else
        top = 65535;
    end
    x = char(randi([0 top], 4, 5));
    assert_same(nubrik(x), bit_counts(x));
end

%% Complex arrays count their parts separately
if in_octave()
    % Octave has no complex integer arrays, so it refuses the complex result.
    assert(~isempty(strfind(error_of(@() nubrik(1 + 2i)), ...
        'complex integer types are not supported')));
else
    x = complex(int16([-1 2 0]), int16([3 0 -32768]));
    assert_same(nubrik(x), bit_counts(x));
    assert_same(nubrik(1 + 2i), complex(int8(10), int8(1)));
    % An empty result is complex exactly when the argument is.
    x = complex(zeros(2, 0));
    r = nubrik(x);
    assert(isa(r, 'int8') && isequal(size(r), [2 0]) && isreal(r) == isreal(x));
end

%% Cells are rebuilt around their converted elements
assert_same(nubrik({uint8(255), {int16(-1)}}), {int8(8), {int8(16)}});
r = nubrik({@sin, int32(7); [], cell(0, 3)});
assert_same(r([1 3 4]), {zeros(0, 0), int8(3), cell(0, 3)});
% MATLAB does not document what an empty array written in a cell literal
% becomes: an empty double array (counted: an empty int8 array) or an element
% never populated (left absent: read back as an empty double array). Either is
% right there; Octave passes the empty double array.
assert(isequal(size(r{2}), [0 0]) && (isa(r{2}, 'int8') || ...
    (isa(r{2}, 'double') && ~in_octave())), 'the literal [] gives %s', class(r{2}));

%% Elements never populated
if in_octave()
    % Octave puts an empty double array in every element of cell(m, n).
    expected = repmat({zeros(0, 0, 'int8')}, 2, 3);
else
    % MATLAB leaves the elements of cell(m, n) unpopulated, and so does nubrik.
    expected = cell(2, 3);
end
assert_same(nubrik(cell(2, 3)), expected);

%% Other classes give an empty double matrix
assert_same(nubrik(@(t) t + 1), zeros(0, 0));

%% Structs keep their size and field order
s = struct('zeta', {1, uint16(3); int8(-1), {true}}, 'alpha', int16([5 -6]));
expected = struct('zeta', {int8(10), int8(2); int8(8), {int8(1)}}, 'alpha', int8([2 14]));
assert_same(nubrik(s), expected);

%% Structs without fields keep their size
assert_same(nubrik(repmat(struct(), 2, 3)), repmat(struct(), 2, 3));

%% Sparse arrays count as their full form
a = [0 1.5 0; -2 0 7];
assert_same(nubrik(sparse(a)), bit_counts(a));
assert_same(nubrik(sparse(a ~= 0)), bit_counts(a ~= 0));
assert_same(nubrik({sparse(a)}), {bit_counts(a)});

%% Each argument gives its own result
[a, b, c] = nubrik(uint8(3), int64(-1), single(-2));
assert_same({a, b, c}, {int8(2), int8(64), int8(2)});
nubrik();

%% Every argument needs its own output
assert(strcmp(error_of(@() nubrik(1, 2), 1), mismatch));
assert(strcmp(error_of(@() nubrik(1), 2), mismatch));

%% An error as a catch block receives it: the text, and no identifier
err = error_raised(@() nubrik(1), 2);
assert(~isempty(err), 'two outputs for one argument raised no error');
if in_octave()
    % Octave drops the text's closing line feed and sets no identifier.
    assert(strcmp(err.message, mismatch) && isempty(err.identifier), ...
        'the error reads "%s", identifier "%s"', err.message, err.identifier);
else
    % Whether MATLAB keeps the closing line feed is not documented.
    assert(strcmp(strtrim(err.message), mismatch));
end
