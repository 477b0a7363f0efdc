% Self tests of quenrel: in MATLAB, runtests('quenrel_test') runs each section
% below as one test; in Octave, test quenrel runs this script. Every
% coefficient is checked bit for bit against the plain two-pass loop
% (private/sequential.m), whose operations each round on their own as the function's
% do, and against quenrel_bits.txt beside quenrel.m: coefficients computed
% without any compiler, which every machine must give. Octave puts the
% function's name before an error text, MATLAB shows the text alone.
% The MATLAB branches are written from MathWorks' documentation and have not
% run in MATLAB yet.

%% The identification text
assert_same(quenrel(), ['FENWARD Version 1.0 Beta -pipeline -force -fastmath -typecast ' ...
    '[double corr]=quenrel( A, B) init: elements=prod_size(iter) ' ...
    'iter: suma=suma+A sumb=sumb+B post: ma=suma/elements ' ...
    'mb=sumb/elements itersec: a=(A)-ma b=(B)-mb sab+=a*b saa+=a*a ' ...
    'sbb+=b*b postsec: corr=sab/(sqrt(saa*sbb)) ']);

%% Known coefficients
assert_same(quenrel([1 2 3], [2 4 6]), 1);
assert_same(quenrel([1 2 3], [3 2 1]), -1);
assert_same(quenrel(reshape(1:6, 2, 3), reshape(1:6, 3, 2)), 1);
assert(isnan(quenrel(5, 7)));
assert(isnan(quenrel([5 5 5], [1 2 3])));
assert(isnan(quenrel([1 NaN 3], [1 2 3])));
assert(isnan(quenrel([1 Inf 3], [1 2 3])));

%% Equal to the plain two-pass loop bit for bit
for n = [1:40 100 1000 4097 100000]
    % Large offsets and mixed magnitudes make every reordering show.
    offset = 2 ^ randi([0 40]);
    a = offset + randn(n, 1) .* 2 .^ randi([0 20], n, 1);
    b = 0.5 * a - offset / 3 + randn(n, 1);
    assert_bits(quenrel(a, b'), sequential(a, b), sprintf('N = %d', n));
end

%% The coefficients every machine must give
fid = fopen(table_file());
columns = textscan(fid, '%s %f %f %f %f %f %f %f %f %f %f %s', 'CommentStyle', '#');
fclose(fid);
[name, n, a0, ap, aq, ad, b0, bk, bp, bq, bd, bits] = deal(columns{:});
assert(numel(n) > 100, 'quenrel_bits.txt holds too few cases');
for k = 1:numel(n)
    % Exact integers up to the one rounding, the division, as the table says.
    index = (1:n(k))';
    top = a0(k) + mod(index * ap(k), aq(k));
    c = quenrel(top / ad(k), (b0(k) + bk(k) * top + mod(index * bp(k), bq(k))) / bd(k));
    what = sprintf('%s %d', name{k}, n(k));
    if strcmp(bits{k}, 'nan')
        assert(isnan(c), '%s: %.17g instead of NaN', what, c);
    else
        assert_bits(c, hex2num(bits{k}), what);
    end
end

%% Other classes go through double
a = int32([1 2 4 -7]);
b = [true false true true];
assert_bits(quenrel(a, b), sequential(double(a), double(b)), 'int32 and logical');
assert_bits(quenrel('abdz', single([1 2 3 5])), sequential(double('abdz'), [1 2 3 5]), ...
    'char and single');
assert_bits(quenrel(reshape(1:6, 2, 1, 3), (6:-1:1)' .^ 2), ...
    sequential(1:6, (6:-1:1) .^ 2), '2-by-1-by-3 and 6-by-1');

%% Sparse arguments count as their full form
a = [0 1.5 0 0; -2 0 7 0; 0 0 0 1];
b = reshape(1:12, 3, 4) .^ 2;
assert_bits(quenrel(sparse(a), b), sequential(a, b), 'sparse A');
assert_bits(quenrel(b, sparse(a)), sequential(b, a), 'sparse B');
assert_bits(quenrel(a, sparse(a ~= 0)), sequential(a, double(a ~= 0)), 'sparse logical B');

%% A third argument is ignored with a warning
lastwarn('');
assert_same(quenrel([1 2 3], [3 2 1], {}, @sin), -1);
assert(strcmp(lastwarn(), mex_message('quenrel', 'warning')));

%% Every message, in its order
cases = {
    {}, 0, 'wrongCount'
    {}, 2, 'wrongCount'
    {[1 2 3]}, 1, 'wrongCount'
    {1 + 2i}, 1, 'realA'
    {[1 2], [1 2] * 1i}, 1, 'realB'
    {zeros(0, 0), 1}, 1, 'matchA'
    {zeros(5, 0), 1}, 1, 'matchA'
    {zeros(0, 1), 1}, 1, 'matchA'
    {zeros(1, 0), 1}, 1, 'matchA'
    {zeros(0, 5), zeros(0, 5)}, 1, 'countA'
    {[], []}, 1, 'matchA'
    {1:6, 1:7}, 1, 'matchB'
    {1:6, 1:5}, 1, 'matchB'
    {1, zeros(0, 0)}, 1, 'countB'
    {1, zeros(1, 0)}, 1, 'countB'
    {1, zeros(0, 1)}, 1, 'countB'
    {(1:5)', zeros(5, 0)}, 1, 'countB'
    {[1 2], zeros(0, 0)}, 1, 'matchB'
    {(1:6)', ones(6, 1, 2)}, 1, 'matchB'
    {1i, {1}}, 1, 'realA'
    };
for k = 1:size(cases, 1)
    [inputs, outputs, key] = cases{k, :};
    expected = mex_message('quenrel', key);
    assert(strcmp(error_of(@() quenrel(inputs{:}), outputs), expected), ...
        'case %d does not end with "%s"', k, expected);
end

%% An error as a catch block receives it: the text, and no identifier in Octave
err = error_raised(@() quenrel([1 2 3]), 1);
assert(~isempty(err) && strcmp(err.message, mex_message('quenrel', 'wrongCount')), ...
    'one argument does not end with its text alone');
assert(~in_octave() || isempty(err.identifier), 'the error has the identifier "%s"', ...
    err.identifier);

%% Arguments that double cannot convert end in its own error
bad = {{1}, struct('a', 1), @sin};
for k = 1:numel(bad)
    refused = error_of(@() double(bad{k}));
    assert(~isempty(refused) && strcmp(error_of(@() quenrel(bad{k}, 1), 1), refused));
    assert(strcmp(error_of(@() quenrel(1, bad{k}), 1), refused));
end
