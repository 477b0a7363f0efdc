## A short demonstration of both functions in GNU Octave:
##   octave-cli scripts/demo.m FOLDER
## where FOLDER holds the Octave builds (nubrik.oct, quenrel.oct).
args = argv ();
addpath (args{1});

printf ("nubrik: the set bits of every element\n");
examples = {"uint8([0 1 3 7 255])", uint8([0 1 3 7 255]);
            "[pi 1 -0]", [pi 1 -0];
            "int16([-1 256])", int16([-1 256]);
            "single(1)", single(1);
            "'Octave'", "Octave";
            "@sin", @sin};
for i = 1:rows (examples)
  printf ("  nubrik(%s)%s %s\n", examples{i, 1}, blanks (22 - numel (examples{i, 1})), ...
          mat2str (nubrik (examples{i, 2})));
endfor
r = nubrik ({true, {uint64(7)}});
printf ("  nubrik({true, {uint64(7)}})    {%s, {%s}}\n", mat2str (r{1}), mat2str (r{2}{1}));
s = nubrik (struct ("id", {uint32(7), uint32(8)}, "scale", 0.5));
printf ("  on a 1-by-2 struct             ids %s, scales %s\n", mat2str ([s.id]), ...
        mat2str ([s.scale]));

printf ("\nquenrel: the correlation coefficient, next to Octave's corr\n");
p = primes (10000);
gaps = diff ([2 p]);
t = linspace (0, 20, 100000);
index = 1:numel (p);
pairs = {"primes against their index", index, p;
         "primes against the gaps before them", p, gaps;
         "a sine against a shifted sine", sin(t), sin(t + 0.3);
         "int32 data against logical data", int32(1:10), mod(1:10, 3) == 0};
for i = 1:rows (pairs)
  [what, a, b] = pairs{i, :};
  printf ("  %-36s quenrel %.17g  corr %.17g\n", what, quenrel (a, b), ...
          corr (double (a(:)), double (b(:))));
endfor
printf ("\nquenrel's identification text:\n  %s\n", quenrel ());
