
reset
set terminal png medium size 800,600
set lmargin 14
set rmargin 10
set output 'contigs_GCcontent.png'
set xlabel 'n(bp)'
set ylabel 'GC content'
plot [0:11023] [] 'contigs.SegGC' title 'GC content' w lines


reset
set terminal png medium size 800,600
set output 'contigs_Vestrel.png'
set lmargin 14
set rmargin 10
set xlabel 'n(10bp)'
set ylabel 'Vestrel (bp)'
set label '1' at 560.000000,  -5245.692
plot  [0:1102] [] 'contigs.Vestrel' title 'Vestrel' w lines,'contigs.SegP' title 'Segmentation points' w points pt 4 ps 2

