function c = sequential(a, b)
%SEQUENTIAL  The correlation coefficient of A and B as the plain two-pass
%   loop computes it: the means, then the centred sums of products and
%   squares, each term added in index order and each product rounded on its
%   own. The products are computed as whole arrays, which the host stores
%   rounded, and only then summed: no statement multiplies inside a running
%   sum, which a host could evaluate as one fused multiply-add.
n = numel(a);
suma = 0;
sumb = 0;
for i = 1:n
    suma = suma + a(i);
    sumb = sumb + b(i);
end
x = a(:) - suma / n;
y = b(:) - sumb / n;
pab = x .* y;
paa = x .* x;
pbb = y .* y;
sab = 0;
saa = 0;
sbb = 0;
for i = 1:n
    sab = sab + pab(i);
    saa = saa + paa(i);
    sbb = sbb + pbb(i);
end
c = sab / sqrt(saa * sbb);
end
