# Wall time against N, log-log, one line per tool. Called by bench/run.sh with
# data (the table report.py writes) and output (the PNG) set.
set terminal pngcairo size 900,600 font "sans,11"
set output output
set datafile missing "?"
set logscale xy
set xlabel "keys removed (N)"
set ylabel "wall time, ms (median)"
set xrange [0.7:14000]
set format y "%g"
set grid xtics ytics mxtics mytics lc rgb "#dddddd"
set key top left box opaque
set title "Removing N registry keys under wine64"
plot data using 1:2 with linespoints lw 2 pt 7 lc rgb "#1f4e9c" title "Skelvane", \
     data using 1:3 with linespoints lw 2 pt 9 lc rgb "#5fa8e8" title "Skelvane, trace on", \
     data using 1:4 with linespoints lw 1 pt 6 dt 2 lc rgb "#444444" title "platform calls helper", \
     data using 1:5 with linespoints lw 2 pt 5 lc rgb "#e07b00" title "regedit /s", \
     data using 1:6 with linespoints lw 2 pt 13 lc rgb "#c0282d" title "reg delete, one process per key", \
     data using 1:7 with lines lw 1 dt 3 lc rgb "#888888" title "empty program, three DLLs"
