
reset
set terminal png medium size 800,600
set lmargin 14
set rmargin 10
set output 'gap_GCcontent.png'
set xlabel 'n(bp)'
set ylabel 'GC content'
plot [0:3000000] [] 'gap.SegGC' title 'GC content' w lines


reset
set terminal png medium size 800,600
set output 'gap_Vestrel.png'
set lmargin 14
set rmargin 10
set xlabel 'n(Kb)'
set ylabel 'Vestrel (bp)'
plot  [0:2999] [] 'gap.Vestrel' title 'Vestrel' w lines

