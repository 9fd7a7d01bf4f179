
reset
set terminal png giant size 1200,1170
set output 'lambda_Vestrel.png'
set lmargin 14
set rmargin 10
set size 1,1
set origin 0,0
set multiplot
set size 1,0.615
set origin 0,0.385
set xlabel 'n(10bp)'
set ylabel 'Vestrel (bp)'
set label '1' at 2162.300000,   3333.336
set label '2' at 2782.900000,   1912.459
plot  [0:4850] [] 'lambda.Vestrel' title 'Vestrel' w lines,'lambda.SegP' title 'Segmentation points' w points pt 4 ps 2,'lambda.TagP' title 'Uploaded coordinates points' w points pt 6 ps 1.8

set size 1,0.385
set origin 0,0
set xlabel 'n(bp)'
set ylabel 'GC content'
set y2label 'Density distribution'
set ytics nomirror
set y2tics
set tics out
plot [0:48502] [] [0:] [] 'lambda.SegGC' title 'GC content' w lines, 'density.txt' title 'Density distribution' w boxes lt 4 axes x2y2

unset multiplot
reset
