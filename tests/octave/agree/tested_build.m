## A handle to the build under test: the private function NAME of this folder.
function h = tested_build (name)
  h = str2func (name);
endfunction
