## A handle to the MEX build: the private function NAME of this folder.
function h = mex_build (name)
  h = str2func (name);
endfunction
