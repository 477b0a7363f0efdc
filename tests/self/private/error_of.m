function text = error_of(f, outputs)
%ERROR_OF  The message of the error that calling F with OUTPUTS outputs
%   (default 0) raises, '' if none. A line feed that ends the message is left
%   out: MATLAB keeps the one that ends a MEX function's text, Octave drops it.
if nargin < 2
    outputs = 0;
end
try
    if outputs == 0
        f();
    else
        results = cell(1, outputs);
        [results{:}] = f();
    end
    text = '';
catch err
    text = regexprep(err.message, '\n$', '');
end
end
