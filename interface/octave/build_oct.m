## -*- texinfo -*-
## @deftypefn {} {} build_oct (@var{source}, @var{help_file}, @var{target})
## @deftypefnx {} {} build_oct (@var{source}, @var{help_file}, @var{target}, @var{flags})
## Build one function as a native Octave function.
##
## Lays out, in a scratch folder, the function's source unit @var{source}
## beside the interface it compiles against (@file{mex.h}, beside this file's
## folder) and the binding of the host operations onto Octave's own values
## (@file{operations.cpp} and @file{values.cpp}, beside this file), as the
## Octave package's @file{src} folder holds them; writes the function's name
## and the help text of @var{help_file}, as this Octave reads that file
## (@file{write_function_header.m}); and builds @var{target} (@file{NAME.oct})
## there with the package's @file{Makefile}, which has the flags of every
## build.  @var{flags} are added to the compiler's.  The one line that make
## prints says which vector paths nubrik is built with.
## @end deftypefn

function build_oct (source, help_file, target, flags = "")
  here = fileparts (mfilename ("fullpath"));
  [~, name] = fileparts (target);
  work = tempname ();
  binding = fullfile (work, "octave");
  unwind_protect
    mkdir (work);
    mkdir (binding);
    mkdir (fullfile (binding, name));
    copyfile (fullfile (here, "Makefile"), work);
    copyfile (fullfile (fileparts (here), "mex.h"), work);
    copyfile (source, fullfile (work, [name ".cpp"]));
    copyfile (fullfile (here, {"*.h", "*.cpp", "*.map"}), binding);
    write_function_header (fullfile (binding, name, "octave_function.h"), name, help_file);
    [status, output] = shell (sprintf ("make --silent --directory %s MKOCTFILE=%s ADDED_FLAGS=%s %s.oct",
                                       quoted (work), quoted (mkoctfile_program ()),
                                       quoted (flags), name));
    if (status != 0)
      error ("build_oct: building %s failed:\n%s", target, output);
    endif
    printf ("%s", output);
    copyfile (fullfile (work, [name ".oct"]), target);
  unwind_protect_cleanup
    confirm_recursive_rmdir (false, "local");
    if (isfolder (work))
      rmdir (work, "s");
    endif
  end_unwind_protect
endfunction

## This Octave's mkoctfile, named as pkg install names it to make: with
## forward slashes on Windows, and each space escaped.
function program = mkoctfile_program ()
  program = fullfile (__octave_config_info__ ("bindir"), "mkoctfile");
  if (ispc () && ! isunix ())
    program = strrep (program, '\', '/');
  endif
  program = regexprep (program, '([^\\]) ', '$1\\ ');
endfunction

## TEXT as one word of the shell (a path's backslashes as forward slashes on
## Windows, where make takes either).
function word = quoted (text)
  if (ispc () && ! isunix ())
    text = strrep (text, '\', '/');
  endif
  word = ["'" strrep(text, "'", "'\\''") "'"];
endfunction

## The shell that pkg install runs make in: on Windows, the sh.exe that Octave
## brings.
function [status, output] = shell (command)
  if (ispc () && ! isunix ())
    command = ['sh.exe -c "' command '"'];
  endif
  [status, output] = system (command);
endfunction
