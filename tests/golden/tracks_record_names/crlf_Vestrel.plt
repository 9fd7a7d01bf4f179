
reset
set terminal png medium size 800,600
set lmargin 14
set rmargin 10
set output 'crlf_GCcontent.png'
set xlabel 'n(bp)'
set ylabel 'GC content'
plot [0:2730] [] 'crlf.SegGC' title 'GC content' w lines


reset
set terminal png medium size 800,600
set output 'crlf_Vestrel.png'
set lmargin 14
set rmargin 10
set xlabel 'n(bp)'
set ylabel 'Vestrel (bp)'
plot  [0:2729] [] 'crlf.Vestrel' title 'Vestrel' w lines

