# The pictures of `make bench`, from the data files scripts/plant-bench.py
# writes. Call with -e "build='build-bench'; out='docs/images'; stamp='...'":
#   OUT/bench-per-file.png  µs per data file against the number of files,
#                           qmr rebuild and its floor, warm and cold
#   OUT/bench-goals.png     every case's measure over its goal, with the
#                           goal line at 1
set terminal pngcairo size 1000,620 font "Liberation Sans,11" noenhanced
set encoding utf8
sizes = build . "/bench-sizes.dat"
goals = build . "/bench-goals.dat"

set output out . "/bench-per-file.png"
set title "Time per data file, one trend rebuilt (" . stamp . ")"
set logscale x
set logscale y
set xlabel "data files in the trend"
set ylabel "µs per data file (median)"
set xrange [70:50000]
set xtics ("100" 100, "1000" 1000, "10 000" 10000, "32 767" 32767)
set key outside right top
set grid
plot sizes using 1:2 with linespoints lw 2 pt 7 lc rgb "#1f77b4" title "floor, warm", \
     sizes using 1:3 with linespoints lw 2 pt 5 lc rgb "#ff7f0e" title "qmr rebuild, warm", \
     sizes using 1:($4 > 0 ? $4 : 1/0) with linespoints lw 2 dt 2 pt 6 lc rgb "#1f77b4" title "floor, cold", \
     sizes using 1:($5 > 0 ? $5 : 1/0) with linespoints lw 2 dt 2 pt 4 lc rgb "#ff7f0e" title "qmr rebuild, cold"

reset
set output out . "/bench-goals.png"
set terminal pngcairo size 1000,720 font "Liberation Sans,11" noenhanced
set title "Each case against its goal: measure / goal, at most 1 meets it (" . stamp . ")"
set style fill solid 0.8 border -1
set boxwidth 0.7
set yrange [0:*]
set offsets 0, 0, 0.3, 0
set xtics rotate by 40 right font ",9"
set ylabel "measure / goal"
set grid ytics
set key outside top center horizontal
set bmargin 15
set lmargin 16
set xrange [-0.6:*]
# Each bar carries its measure: a ratio to the floor, or megabytes.
plot goals using 0:($3 == 1 ? $2 : 1/0):xtic(1) with boxes lc rgb "#2ca02c" title "met", \
     goals using 0:($3 == 0 ? $2 : 1/0) with boxes lc rgb "#d62728" title "missed", \
     goals using 0:2:(sprintf("%.2f", $4)) with labels offset 0,0.7 font ",9" notitle, \
     1 with lines lw 2 dt 2 lc rgb "black" title "goal"
