
reset
set terminal png medium size 800,600
set lmargin 14
set rmargin 10
set output 'seq.fa#_GCcontent.png'
set xlabel 'n(bp)'
set ylabel 'GC content'
plot [0:2030] [] 'seq.fa#.SegGC' title 'GC content' w lines


reset
set terminal png medium size 800,600
set output 'seq.fa#_Vestrel.png'
set lmargin 14
set rmargin 10
set xlabel 'n(bp)'
set ylabel 'Vestrel (bp)'
plot  [0:2029] [] 'seq.fa#.Vestrel' title 'Vestrel' w lines

