# Throughput against N, from the table that run.py writes (each series in two
# columns: from its fastest repetition, and from its median one, drawn as the
# error bar below the point):
#   gnuplot -c bench/throughput.gp throughput.tsv throughput.png TITLE PER_CLASS
# TITLE names the machine and the commit measured; the table holds quenrel and
# its loop, then for uint8 and for double PER_CLASS series: each of nubrik's
# paths, the floor and the table loop.
data = ARG1
per_class = int(ARG4)
set terminal pngcairo size 1400,560 font ",11"
set output ARG2
set multiplot layout 1,2 title ARG3
set logscale xy
set grid
set xlabel "N (elements)"
set ylabel "million elements per second"
set xrange [500:2e8]
set key top right
set bars small
# Series k: its fastest in column 2k, its median in column 2k + 1.
fastest(k) = column(2 * k)
median(k) = column(2 * k + 1)
set title "quenrel and the plain two-pass loop"
plot data using 1:(fastest(1)):(median(1)):(fastest(1)) with yerrorlines lw 2 title columnheader(2), \
     data using 1:(fastest(2)):(median(2)):(fastest(2)) with yerrorlines lw 2 dt 2 title columnheader(4)
# nubrik's paths in solid lines, widest first, thinner as they narrow; the
# floor dashed, the table loop dotted; uint8 in one colour, double in another.
set title "nubrik on each path, the memory's floor, and the table loop"
set yrange [100:1e6]
set key top right maxrows per_class
paths = per_class - 2
kind(k) = (k - 3) % per_class
style_dt(k) = kind(k) < paths ? 1 : (kind(k) == paths ? 2 : 3)
style_lw(k) = kind(k) < paths ? 2.5 - kind(k) * 0.7 : 1.5
plot for [k = 3:2 + 2 * per_class] data using 1:(fastest(k)):(median(k)):(fastest(k)) \
     with yerrorlines lw style_lw(k) lc ((k - 3) / per_class + 1) dt style_dt(k) \
     title columnheader(2 * k)
unset multiplot
