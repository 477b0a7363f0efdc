## nubrik for the self tests, called on both builds (both_builds.m).
function varargout = nubrik (varargin)
  varargout = both_builds ("nubrik", nargout, varargin);
endfunction
