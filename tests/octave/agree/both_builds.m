## The outcome of calling the function NAME with the arguments ARGS and NOUT
## outputs (0: as a statement) on the build under test, once the MEX build has
## given the same:
##   results = both_builds (name, nout, args)
## Each build is the private function of the folder of tested_build.m or of
## mex_build.m, which hand out handles to it. The two outcomes must agree:
## the results recursively in class, Octave's type, complexity, sparsity,
## extents, field names in their order and the bits of every value; an error in its text and
## identifier; the last warning in its text and identifier. The calls are
## counted in the global builds_compared, and a difference is printed and
## counted in builds_differ, which the runner reads.
## The outcome of the build under test is then returned, its error raised
## again, and its warning left as the last one.
function results = both_builds (name, nout, args)
  global builds_compared builds_differ
  builds_compared += 1;
  [text, id] = lastwarn ();
  tested = outcome_of (tested_build (name), nout, args, text, id);
  mex = outcome_of (mex_build (name), nout, args, text, id);
  what = difference (tested, mex);
  if (! isempty (what))
    printf ("  the builds differ: %s with %d argument(s) and %d output(s): %s\n",
            name, numel (args), nout, what);
    builds_differ += 1;
  endif
  lastwarn (tested.warning{:});
  if (! isempty (tested.error))
    rethrow (tested.error);
  endif
  results = tested.results;
endfunction

function outcome = outcome_of (f, nout, args, text, id)
  outcome = struct ("results", {{}}, "error", [], "warning", {{}});
  lastwarn (text, id);
  try
    if (nout == 0)
      f (args{:});
      if (exist ("ans", "var"))
        outcome.results = {ans};
      endif
    else
      outcome.results = cell (1, nout);
      [outcome.results{:}] = f (args{:});
    endif
  catch err
    outcome.error = err;
  end_try_catch
  [text, id] = lastwarn ();
  outcome.warning = {text, id};
endfunction

function what = difference (a, b)
  what = "";
  if (isempty (a.error) != isempty (b.error))
    what = "one ends in an error, the other does not";
  elseif (! isempty (a.error))
    if (! strcmp (a.error.message, b.error.message)
        || ! strcmp (a.error.identifier, b.error.identifier))
      what = sprintf ("the errors \"%s\" and \"%s\"", a.error.message, b.error.message);
    endif
  elseif (numel (a.results) != numel (b.results))
    what = "different numbers of results";
  else
    for k = 1:numel (a.results)
      what = value_difference (a.results{k}, b.results{k}, sprintf ("result %d", k));
      if (! isempty (what))
        break;
      endif
    endfor
  endif
  if (isempty (what) && ! isequal (a.warning, b.warning))
    what = sprintf ("the warnings \"%s\" and \"%s\"", a.warning{1}, b.warning{1});
  endif
endfunction
