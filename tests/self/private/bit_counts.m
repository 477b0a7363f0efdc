function counts = bit_counts(x)
%BIT_COUNTS  The set bits of each element of a numeric, char or logical X,
%   counted from its stored bytes with a byte table: an int8 array of X's
%   size, complex when X is, its parts counted separately. Characters are
%   the host's code units: 16 bits in MATLAB, 8 in Octave.
if ~isreal(x)
    counts = complex(bit_counts(real(x)), bit_counts(imag(x)));
    return
end
table = sum(dec2bin(0:255) == '1', 2);
if islogical(x) || (ischar(x) && in_octave())
    bytes = uint8(x(:)');
elseif ischar(x)
    bytes = typecast(uint16(x(:)'), 'uint8');
else
    bytes = typecast(x(:)', 'uint8');
end
width = max(1, numel(bytes) / max(1, numel(x)));
counts = int8(reshape(sum(reshape(table(double(bytes) + 1), width, []), 1), size(x)));
end
