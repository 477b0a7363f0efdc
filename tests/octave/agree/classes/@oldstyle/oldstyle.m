## An object of an old-style class, for the comparison of the builds.
function obj = oldstyle ()
  obj = class (struct ("x", {1, 2}), "oldstyle");
endfunction
