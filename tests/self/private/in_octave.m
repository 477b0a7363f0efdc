function yes = in_octave()
%IN_OCTAVE  True in GNU Octave, false in MATLAB.
yes = exist('OCTAVE_VERSION', 'builtin') ~= 0;
end
