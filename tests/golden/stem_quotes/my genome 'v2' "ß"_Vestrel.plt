
reset
set terminal png medium size 800,600
set lmargin 14
set rmargin 10
set output 'my genome ''v2'' "ß"_GCcontent.png'
set xlabel 'n(bp)'
set ylabel 'GC content'
plot [0:2030] [] 'my genome ''v2'' "ß".SegGC' title 'GC content' w lines


reset
set terminal png medium size 800,600
set output 'my genome ''v2'' "ß"_Vestrel.png'
set lmargin 14
set rmargin 10
set xlabel 'n(bp)'
set ylabel 'Vestrel (bp)'
plot  [0:2029] [] 'my genome ''v2'' "ß".Vestrel' title 'Vestrel' w lines

