function assert_same(actual, expected, what)
%ASSERT_SAME  Fails unless ACTUAL equals EXPECTED in class, size, complexity,
%   sparsity and every value (NaN equal to NaN), to any depth of cells and
%   structs, whose field names must come in the same order. WHAT names the
%   value in the message.
if nargin < 3
    what = 'the result';
end
assert(strcmp(class(actual), class(expected)), '%s is %s, not %s', what, ...
    class(actual), class(expected));
assert(isequal(size(actual), size(expected)), '%s is %s, not %s', what, ...
    mat2str(size(actual)), mat2str(size(expected)));
if iscell(expected)
    for k = 1:numel(expected)
        assert_same(actual{k}, expected{k}, sprintf('%s{%d}', what, k));
    end
elseif isstruct(expected)
    assert(isequal(fieldnames(actual), fieldnames(expected)), ...
        '%s has fields %s, not %s', what, strjoin(fieldnames(actual)', ', '), ...
        strjoin(fieldnames(expected)', ', '));
    assert_same(struct2cell(actual(:)), struct2cell(expected(:)), what);
else
    assert(isreal(actual) == isreal(expected) && issparse(actual) == issparse(expected), ...
        '%s differs in complexity or sparsity', what);
    if ~isequaln(actual, expected)
        error('%s differs: %s instead of %s', what, mat2str(full(actual(:)')), ...
            mat2str(full(expected(:)')));
    end
end
end
