## -*- texinfo -*-
## @deftypefn {} {} write_function_header (@var{file}, @var{name}, @var{help_file})
## Write the header that gives a native Octave function its name and help text.
##
## @var{file} (@file{octave_function.h}) defines @code{OCTAVE_FUNCTION} as
## @var{name} and @code{octaveFunctionHelp} as the help text of
## @var{help_file}, as this Octave reads that file, for @file{values.cpp}.  It
## names @var{help_file} without its folder, so that the header made for a
## release names no folder of the machine that made it.
## @end deftypefn

function write_function_header (file, name, help_file)
  text = get_help_text_from_file (make_absolute_filename (help_file));
  delimiter = ")help\"";
  if (! isempty (strfind (text, delimiter)))
    error ("write_function_header: the help text of %s holds %s", help_file, delimiter);
  endif
  [~, base, extension] = fileparts (help_file);
  fid = fopen (file, "w");
  if (fid < 0)
    error ("write_function_header: cannot write %s", file);
  endif
  fprintf (fid, "// Written by write_function_header from %s%s.\n", base, extension);
  fprintf (fid, "#define OCTAVE_FUNCTION %s\n", name);
  fprintf (fid, "const char octaveFunctionHelp[] = R\"help(%s)help\";\n", text);
  fclose (fid);
endfunction
