# Throughput against N, from the table that run.py writes:
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
set title "quenrel and the plain two-pass loop"
plot data using 1:2 with linespoints lw 2 title columnheader(2), \
     data using 1:3 with linespoints lw 2 dt 2 title columnheader(3)
set title "nubrik, the table loop, and memcpy of the same bytes"
set yrange [100:1e6]
set key top right maxrows 3
plot data using 1:4 with linespoints lw 2 lc 1 title columnheader(4), \
     data using 1:5 with linespoints lw 2 lc 1 dt 2 title columnheader(5), \
     data using 1:6 with linespoints lw 1 lc 1 dt 3 title columnheader(6), \
     data using 1:7 with linespoints lw 2 lc 2 title columnheader(7), \
     data using 1:8 with linespoints lw 2 lc 2 dt 2 title columnheader(8), \
     data using 1:9 with linespoints lw 1 lc 2 dt 3 title columnheader(9)
unset multiplot
