## quenrel for the self tests, called on both builds (both_builds.m).
function varargout = quenrel (varargin)
  varargout = both_builds ("quenrel", nargout, varargin);
endfunction
