
reset
set terminal png medium size 800,600
set lmargin 14
set rmargin 10
set output 'results/phage_GCcontent.png'
set xlabel 'n(bp)'
set ylabel 'GC content'
plot [0:48502] [] 'results/phage.SegGC' title 'GC content' w lines


reset
set terminal png medium size 800,600
set output 'results/phage_Vestrel.png'
set lmargin 14
set rmargin 10
set xlabel 'n(10bp)'
set ylabel 'Vestrel (bp)'
set label '1' at 2162.300000,   3333.336
set label '2' at 2254.600000,   3325.376
set label '3' at 2782.900000,   1912.459
plot  [0:4850] [] 'results/phage.Vestrel' title 'Vestrel' w lines,'results/phage.SegP' title 'Segmentation points' w points pt 4 ps 2,'results/phage.TagP' title 'Uploaded coordinates points' w points pt 6 ps 1.8

reset
set terminal png medium size 800,600

set lmargin 14
set rmargin 10
set output 'results/phage_Density.png'

set xlabel 'n(bp)'
set ylabel 'GC content'
set y2label 'Density distribution'
set ytics nomirror
set y2tics
set tics out
plot [0:48502] [] [0:] [] 'results/phage.SegGC' title 'GC content' w lines, 'density.txt' title 'Density distribution' w boxes lt 4 axes x2y2

