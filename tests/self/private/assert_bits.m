function assert_bits(actual, expected, what)
%ASSERT_BITS  Fails unless the doubles ACTUAL and EXPECTED have the same
%   IEEE-754 bit pattern. WHAT names the case in the message.
assert(isa(actual, 'double') && isscalar(actual), '%s is not a scalar double', what);
assert(strcmp(num2hex(actual), num2hex(expected)), '%s: %s instead of %s', what, ...
    num2hex(actual), num2hex(expected));
end
