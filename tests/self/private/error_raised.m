function err = error_raised(f, outputs)
%ERROR_RAISED  The error, as a catch block receives it, that calling F with
%   OUTPUTS outputs (default 0) raises; [] if none.
if nargin < 2
    outputs = 0;
end
err = [];
try
    if outputs == 0
        f();
    else
        results = cell(1, outputs);
        [results{:}] = f();
    end
catch err
end
end
