## -*- texinfo -*-
## @deftypefn {} {} build_oct (@var{source}, @var{help_file}, @var{target})
## @deftypefnx {} {} build_oct (@var{source}, @var{help_file}, @var{target}, @var{flags})
## Build one function as a native Octave function.
##
## Compiles the function's source unit @var{source} against the interface
## beside this file's folder (@file{mex.h}), links it with the binding of the
## host operations onto Octave's own values (@file{operations.cpp} and
## @file{values.cpp}, beside this file) into @var{target} (@file{NAME.oct}),
## and gives it the help text of @var{help_file}, as this Octave reads that
## file.  @var{flags} are added to the compiler's.
##
## The floating-point flags keep quenrel equal bit for bit to the plain
## sequential loop: no contraction into fused multiply-add and no fast-math
## reordering.  On systems whose libraries are ELF files, the function exports
## only the symbol Octave looks up in it (@file{exports.map}): Octave loads it
## with its symbols global, where an exported host operation would answer the
## imports of a MEX file loaded later.
## @end deftypefn

function build_oct (source, help_file, target, flags = "")
  here = fileparts (mfilename ("fullpath"));
  [~, name] = fileparts (target);
  work = tempname ();
  mkdir (work);
  previous = getenv ("CXXFLAGS");
  unwind_protect
    write_function_header (fullfile (work, "octave_function.h"), name,
                           make_absolute_filename (help_file));
    cxx = strtrim (mkoctfile ("-p", "CXX"));
    cxxflags = [strtrim(mkoctfile("-p", "CXXFLAGS")) " -ffp-contract=off -fno-fast-math"];
    ## GCC spills a whole run of quenrel's second pass to the stack otherwise.
    [~, version] = system ([cxx " --version"]);
    if (! isempty (strfind (version, "Free Software Foundation")))
      cxxflags = [cxxflags " -fno-tree-ter"];
    endif
    ## The source unit's own "mex.h" is the interface beside this folder, not
    ## the one Octave puts on the include path.
    setenv ("CXXFLAGS", sprintf ("%s -iquote %s -iquote %s %s", cxxflags, work,
                                 fileparts (here), flags));
    sources = {source, fullfile(here, "operations.cpp"), fullfile(here, "values.cpp")};
    objects = fullfile (work, {"unit.o", "operations.o", "values.o"});
    for k = 1:numel (sources)
      compile ("-c", sources{k}, "-o", objects{k});
    endfor
    link = {};
    if (isunix () && ! ismac ())
      link = {["-Wl,--version-script=" fullfile(here, "exports.map")]};
    endif
    compile ("-o", target, objects{:}, link{:});
  unwind_protect_cleanup
    ## The session's environment as it was: unset if it was.
    if (isempty (previous))
      unsetenv ("CXXFLAGS");
    else
      setenv ("CXXFLAGS", previous);
    endif
    confirm_recursive_rmdir (false, "local");
    rmdir (work, "s");
  end_unwind_protect
endfunction

## The function's name and help text, for values.cpp.
function write_function_header (file, name, help_file)
  text = get_help_text_from_file (help_file);
  delimiter = ")help\"";
  if (! isempty (strfind (text, delimiter)))
    error ("build_oct: the help text of %s holds %s", help_file, delimiter);
  endif
  fid = fopen (file, "w");
  fprintf (fid, "// Written by build_oct from %s.\n", help_file);
  fprintf (fid, "#define OCTAVE_FUNCTION %s\n", name);
  fprintf (fid, "const char octaveFunctionHelp[] = R\"help(%s)help\";\n", text);
  fclose (fid);
endfunction

function compile (varargin)
  [output, status] = mkoctfile (varargin{:});
  if (status != 0)
    error ("build_oct: mkoctfile %s failed:\n%s", strjoin (varargin, " "), output);
  endif
endfunction
