# Throughput against N, from the table that run.py writes (each series in two
# columns: from its fastest repetition, and from its median one, drawn as the
# error bar below the point):
#   gnuplot -c bench/throughput.gp throughput.tsv throughput.png
data = ARG1
set terminal pngcairo size 1200,520 font ",11"
set output ARG2
set multiplot layout 1,2
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
set title "nubrik, the memory's floor, and the table loop"
set yrange [100:1e6]
set key top right maxrows 3
plot data using 1:(fastest(3)):(median(3)):(fastest(3)) with yerrorlines lw 2 lc 1 title columnheader(6), \
     data using 1:(fastest(4)):(median(4)):(fastest(4)) with yerrorlines lw 2 lc 1 dt 2 title columnheader(8), \
     data using 1:(fastest(5)):(median(5)):(fastest(5)) with yerrorlines lw 1 lc 1 dt 3 title columnheader(10), \
     data using 1:(fastest(6)):(median(6)):(fastest(6)) with yerrorlines lw 2 lc 2 title columnheader(12), \
     data using 1:(fastest(7)):(median(7)):(fastest(7)) with yerrorlines lw 2 lc 2 dt 2 title columnheader(14), \
     data using 1:(fastest(8)):(median(8)):(fastest(8)) with yerrorlines lw 1 lc 2 dt 3 title columnheader(16)
unset multiplot
