## Where two values differ, recursively through cells and structs, in class,
## Octave's type, complexity, sparsity, extents, field names or their order,
## or the bits of a value; "" when they do not:
##   what = value_difference (a, b, where)
## WHERE names the values in the text. Octave's isequal alone calls int8(1)
## and 1, or two structs with their fields in another order, equal.
function what = value_difference (a, b, where)
  what = "";
  if (! strcmp (class (a), class (b)) || ! strcmp (typeinfo (a), typeinfo (b)))
    what = sprintf ("%s is %s (%s) and %s (%s)", where, class (a), typeinfo (a), class (b),
                    typeinfo (b));
  elseif (iscomplex (a) != iscomplex (b) || issparse (a) != issparse (b))
    what = sprintf ("%s differs in complexity or sparsity", where);
  elseif (! isequal (size (a), size (b)))
    what = sprintf ("%s is %s and %s", where, mat2str (size (a)), mat2str (size (b)));
  elseif (iscell (a))
    for k = 1:numel (a)
      what = value_difference (a{k}, b{k}, sprintf ("%s{%d}", where, k));
      if (! isempty (what))
        return;
      endif
    endfor
  elseif (isstruct (a))
    if (! isequal (fieldnames (a), fieldnames (b)))
      what = sprintf ("%s has the fields %s and %s", where, strjoin (fieldnames (a)', ","),
                      strjoin (fieldnames (b)', ","));
    else
      what = value_difference (struct2cell (a(:)), struct2cell (b(:)), where);
    endif
  elseif (isnumeric (a) || islogical (a) || ischar (a))
    if (! isequal (bits_of (a), bits_of (b)))
      what = sprintf ("%s differs in its values", where);
    endif
  elseif (! isequal (a, b))
    what = sprintf ("%s differs", where);
  endif
endfunction

function bits = bits_of (x)
  x = full (x);
  if (iscomplex (x))
    bits = [bits_of(real (x)), bits_of(imag (x))];
  elseif (isfloat (x))
    bits = typecast (x(:)', "uint8");
  else
    bits = double (x(:)');
  endif
endfunction
