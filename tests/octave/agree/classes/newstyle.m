## An object of a classdef class, for the comparison of the builds.
classdef newstyle
  properties
    x = int8 (1);
  endproperties
endclassdef
