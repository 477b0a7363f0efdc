function yes = chars_counted()
%CHARS_COUNTED  False for the build under test in Octave that is a MEX file
%   made for MATLAB's 16-bit characters, loaded for testing through a bridge
%   (MEX_BUILD=bridged): it reads Octave's 8-bit characters two at a time.
yes = ~strcmp(getenv('MEX_BUILD'), 'bridged');
end
