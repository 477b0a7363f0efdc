function text = mex_message(name, text)
%MEX_MESSAGE  The error message the host shows for a MEX function's text:
%   Octave puts the function's name in front, MATLAB shows the text alone.
if in_octave()
    text = [name ': ' text];
end
end
