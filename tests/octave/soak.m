## Calls nubrik and quenrel many times on every kind of argument, inside the
## running session, and checks that the session keeps no memory for them and
## that no outcome drifts:
##   soak ()
## with the functions under test and the probe heap_in_use (heap_in_use.cpp
## here) on the path, and the self tests' private helpers in private/ beside
## this file: the message texts come from there. Each case makes a first call, a warm-up, two windows of
## calls with the heap in use read before and after each, and a last call.
## The memory kept per call is the smaller growth of the two windows over its
## calls: what the host fills once shows in one window only, a loss on every
## call in both. It must stay under 8 bytes, less than the smallest block the
## heap hands out, so a call that loses any block fails; a case that ends in
## an error may also keep what the host's own error path keeps, measured on
## the probe. The last outcome (result, warning or error text) must equal the
## first, and be the warning or error the case expects. Ends in an error when
## any case fails.
function soak ()
  limit = 8;
  host_loss = max (0, kept_per_call (@() heap_in_use (1), 1000));
  printf ("the host's own error path keeps %.2f bytes per call\n", host_loss);

  cases = [nubrik_cases(); quenrel_cases()];
  failures = 0;
  for i = 1:rows (cases)
    [what, f, message, calls] = cases{i, :};
    first = outcome_of (f);
    kept = kept_per_call (f, calls);
    last = outcome_of (f);
    allowed = limit + host_loss * (numel (first) == 1);
    faults = {};
    if (kept >= allowed)
      faults{end + 1} = sprintf ("keeps %.2f bytes per call", kept);
    endif
    if (! strcmp (first{end}, message))
      faults{end + 1} = sprintf ("ends with \"%s\", not \"%s\"", first{end}, message);
    endif
    if (! same (first, last))
      faults{end + 1} = "the last outcome differs from the first";
    endif
    printf ("%-44s %6d calls %8.2f bytes kept per call %s\n", what, calls, kept,
            strjoin (faults, "; "));
    failures += ! isempty (faults);
  endfor
  if (failures > 0)
    error ("soak: %d of %d cases failed", failures, rows (cases));
  endif
endfunction

## {what, function, the error or warning text it ends with ("" for none), calls}
function cases = nubrik_cases ()
  many = 1000;
  deepest = 1;
  for level = 1:1000
    deepest = {deepest};
  endfor
  too_deep = {deepest};
  ## Made here, not in its call: the first time Octave 11 reads repmat.m, it
  ## leaves a warning of its own in lastwarn, which would count as an outcome.
  fieldless = repmat (struct (), 2, 3);
  ## Octave has no complex integer arrays, so it refuses a complex result.
  no_complex = "complex integer types are not supported";
  ## The .mexa64 deliverable, made for MATLAB's 16-bit characters, reads
  ## Octave's 8-bit ones two at a time: there it is given no characters.
  if (chars_counted ())
    letters = "text";
  else
    letters = uint8 ("text");
  endif
  cases = {};
  for c = {"double", "single", "int8", "uint8", "int16", "uint16", "int32", "uint32", ...
           "int64", "uint64"}
    if (any (strcmp (c{1}, {"double", "single"})))
      x = cast ([-Inf -pi -0 0 1 pi Inf NaN], c{1});
    else
      x = [intmin(c{1}), -1, 0, 1, intmax(c{1})];
    endif
    cases(end + 1, :) = {["nubrik: " c{1}], @() nubrik (x), "", many};
  endfor
  cases = [cases
    {"nubrik: char", @() nubrik (letters), "", many}
    {"nubrik: logical", @() nubrik ([true false true]), "", many}
    {"nubrik: complex double", @() nubrik (complex ([1 -2], [0 3])), no_complex, many}
    {"nubrik: complex single", @() nubrik (single (1 + 2i)), no_complex, many}
    {"nubrik: sparse", @() nubrik (sparse ([0 1.5 0; -2 0 0])), "", many}
    {"nubrik: sparse logical", @() nubrik (sparse ([true false true])), "", many}
    {"nubrik: sparse complex", @() nubrik (sparse ([1i 0 2])), no_complex, many}
    {"nubrik: empty double", @() nubrik (zeros (0, 3)), "", many}
    {"nubrik: empty complex", @() nubrik (complex (zeros (2, 0))), no_complex, many}
    {"nubrik: empty cell", @() nubrik (cell (0, 3)), "", many}
    {"nubrik: empty struct with a field", @() nubrik (struct ("a", {})), "", many}
    {"nubrik: cell", @() nubrik ({uint8(1), letters; {}, -1}), "", many}
    {"nubrik: struct", @() nubrik (struct ("a", {1, letters}, "b", {int16(-1), {}})), "", many}
    {"nubrik: field-less struct", @() nubrik (struct ()), "", many}
    {"nubrik: field-less struct array", @() nubrik (fieldless), "", many}
    {"nubrik: function handle", @() nubrik (@sin), "", many}
    {"nubrik: cells in cells", @() nubrik ({{{1}}, {@sin}}), "", many}
    {"nubrik: a cell of 100 cells", @() nubrik (num2cell (num2cell (1:100))), "", many}
    {"nubrik: structs in cells in structs", @() nubrik (struct ("s", {{struct("t", 1:3)}})), "", many}
    {"nubrik: 1000 levels of cells", @() innermost (nubrik (deepest)), "", 100}
    {"nubrik: 1001 levels of cells", @() nubrik (too_deep), ...
     mex_message("nubrik", "tooDeep"), 100}
    {"nubrik: two arguments, two results", @() both_results (uint16(7), {true}), "", many}
    {"nubrik: two arguments, one result", @() nubrik (1, 2), ...
     mex_message("nubrik", "mismatch"), many}];
endfunction

function cases = quenrel_cases ()
  many = 1000;
  x = mod ((1:1000) * 7919, 10007) / 10007;
  y = mod ((1:1000) * 104729, 10007) / 10007;
  cases = {};
  for c = {"single", "int8", "uint8", "int16", "uint16", "int32", "uint32", "int64", "uint64"}
    a = cast (100 * x, c{1});
    cases(end + 1, :) = {["quenrel: " c{1} " and double"], @() quenrel (a, y), "", many};
  endfor
  a = char (65 + 50 * x);
  b = y > 0.5;
  s = sparse (x .* (y > 0.5));
  refused = error_of (@() double ({1}));
  bad_a = mex_message ("quenrel", "realA");
  cases = [cases
    {"quenrel: doubles", @() quenrel (x, y), "", many}
    {"quenrel: char and logical", @() quenrel (a, b), "", many}
    {"quenrel: sparse and double", @() quenrel (s, y), "", many}
    {"quenrel: 2-by-3 and 3-by-2", @() quenrel (reshape (1:6, 2, 3), reshape (1:6, 3, 2)), "", many}
    {"quenrel: identification text", @() quenrel (), "", many}
    {"quenrel: three arguments", @() quenrel (x, y, 1), ...
     mex_message("quenrel", "warning"), many}
    {"quenrel: one argument", @() quenrel (x), mex_message("quenrel", "wrongCount"), many}
    {"quenrel: complex A", @() quenrel (1i, 1), bad_a, many}
    {"quenrel: complex B", @() quenrel (1, 1i), ...
     mex_message("quenrel", "realB"), many}
    {"quenrel: empty A", @() quenrel ([], 1), ...
     mex_message("quenrel", "matchA"), many}
    {"quenrel: 1-by-6 and 1-by-7", @() quenrel (1:6, 1:7), ...
     mex_message("quenrel", "matchB"), many}
    {"quenrel: scalar and empty", @() quenrel (1, []), ...
     mex_message("quenrel", "countB"), many}
    {"quenrel: a cell, refused by double", @() quenrel ({1}, 1), refused, many}
    {"quenrel: complex A and a cell B", @() quenrel (1i, {1}), bad_a, many}];
endfunction

## The levels of cells around a result, and what the innermost one holds.
function inside = innermost (x)
  levels = 0;
  while (iscell (x))
    x = x{1};
    levels += 1;
  endwhile
  inside = {levels, x};
endfunction

function both = both_results (x, y)
  [a, b] = nubrik (x, y);
  both = {a, b};
endfunction

## {result, warning text} of a call that returns, {error text} of one that fails.
function outcome = outcome_of (f)
  lastwarn ("");
  try
    outcome = {f(), lastwarn()};
  catch err
    outcome = {err.message};
  end_try_catch
endfunction

function text = error_of (f)
  outcome = outcome_of (f);
  text = outcome{1};
endfunction

## The heap bytes kept per call of f, measured as the comment at the top says;
## warnings are off meanwhile, so that a warning case prints nothing.
function kept = kept_per_call (f, calls)
  state = warning ("off", "all");
  call (f, ceil (calls / 4));
  growth = [0 0];
  for window = 1:2
    before = heap_in_use ();
    call (f, calls);
    growth(window) = heap_in_use () - before;
  endfor
  warning (state);
  kept = min (growth) / calls;
endfunction

function call (f, times)
  for i = 1:times
    try
      result = f ();
    catch
    end_try_catch
  endfor
endfunction

## Equal values of the same classes, to any depth of cells and structs.
function yes = same (a, b)
  yes = strcmp (class (a), class (b)) && isequaln (a, b);
  if (yes && iscell (a))
    yes = all (cellfun (@same, a(:), b(:)));
  elseif (yes && isstruct (a))
    yes = same (struct2cell (a(:)), struct2cell (b(:)));
  endif
endfunction
