
reset
set terminal png medium size 800,600
set lmargin 14
set rmargin 10
set output './dir/.hidden_GCcontent.png'
set xlabel 'n(bp)'
set ylabel 'GC content'
plot [0:2030] [] './dir/.hidden.SegGC' title 'GC content' w lines


reset
set terminal png medium size 800,600
set output './dir/.hidden_Vestrel.png'
set lmargin 14
set rmargin 10
set xlabel 'n(bp)'
set ylabel 'Vestrel (bp)'
plot  [0:2029] [] './dir/.hidden.Vestrel' title 'Vestrel' w lines

