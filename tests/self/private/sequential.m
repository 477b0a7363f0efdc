function c = sequential(a, b)
%SEQUENTIAL  The correlation coefficient of A and B as the plain two-pass
%   loop computes it: the means, then the centred sums of products and
%   squares, each term added in index order and each product rounded on its
%   own (the host's scalar arithmetic rounds every operation by itself).
n = numel(a);
suma = 0;
sumb = 0;
for i = 1:n
    suma = suma + a(i);
    sumb = sumb + b(i);
end
ma = suma / n;
mb = sumb / n;
sab = 0;
saa = 0;
sbb = 0;
for i = 1:n
    x = a(i) - ma;
    y = b(i) - mb;
    sab = sab + x * y;
    saa = saa + x * x;
    sbb = sbb + y * y;
end
c = sab / sqrt(saa * sbb);
end
