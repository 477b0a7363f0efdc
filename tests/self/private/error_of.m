function text = error_of(f, outputs)
%ERROR_OF  The message of the error that calling F with OUTPUTS outputs
%   (default 0) raises, '' if none. A line feed that ends the message is left
%   out: Octave drops the one that ends a MEX function's text, and whether
%   MATLAB keeps it is not documented.
if nargin < 2
    outputs = 0;
end
err = error_raised(f, outputs);
text = '';
if ~isempty(err)
    text = regexprep(err.message, '\n$', '');
end
end
