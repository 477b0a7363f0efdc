function file = table_file()
%TABLE_FILE  Where quenrel_bits.txt is: beside quenrel's help file, on the path.
if in_octave()
    file = file_in_loadpath('quenrel_bits.txt');
else
    file = which('quenrel_bits.txt');
end
assert(~isempty(file), 'quenrel_bits.txt is not on the path beside quenrel.m');
end
