## A number whose conversion to double runs quenrel and nubrik, for
## nested_calls.m: double of an array of them calls quenrel on the values,
## itself on such an array when depth is above 1, and nubrik on the values,
## whose counts it checks; so each function runs again while a call of its
## own is still converting an argument.
classdef nested_value
  properties
    value = 0
    depth = 1
  endproperties
  methods
    function obj = nested_value (value, depth)
      if (nargin > 0)
        obj.value = value;
        obj.depth = depth;
      endif
    endfunction
    function d = double (objs)
      d = reshape ([objs.value], size (objs));
      if (objs(1).depth > 1)
        r = quenrel (nested_value.wrap (d, objs(1).depth - 1), d);
      else
        r = quenrel (d, d);
      endif
      if (! (r == 1 || isnan (r)))
        error ("nested_value: the inner quenrel gave %.17g", r);
      endif
      bits = sum (dec2bin (typecast (d(:), "uint8"), 8) == "1", 2);
      if (! isequal (nubrik (d), int8 (reshape (sum (reshape (bits, 8, []), 1), size (d)))))
        error ("nested_value: the inner nubrik gave other counts");
      endif
    endfunction
  endmethods
  methods (Static)
    ## A column of nested_value holding the values of the column x.
    function objs = wrap (x, depth)
      objs = nested_value (x(1), depth);
      for k = 2:numel (x)
        objs(k, 1) = nested_value (x(k), depth);
      endfor
    endfunction
  endmethods
endclassdef
