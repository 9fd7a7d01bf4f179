
reset
set terminal png giant size 2400,2340
set output 'synthetic_Vestrel.png'
set lmargin 14
set rmargin 10
set size 1,1
set origin 0,0
set multiplot
set size 1,0.615
set origin 0,0.385
set xlabel 'n(10bp)'
set ylabel 'Vestrel (bp)'
set label '1' at 969.800000,   2376.147
set label '2' at 1670.200000,    373.120
set label '3' at 3184.400000,     61.438
set label '4' at 3694.800000,   1892.000
set label '5' at 5384.800000,    111.212
plot  [0:5764] [] 'synthetic.Vestrel' title 'Vestrel' w lines,'synthetic.SegP' title 'Segmentation points' w points pt 4 ps 2

set size 1,0.385
set origin 0,0
set xlabel 'n(bp)'
set ylabel 'GC content'
plot [0:57641] [] 'synthetic.SegGC' title 'GC content' w lines

unset multiplot
reset
