
reset
set terminal png medium size 800,600
set lmargin 14
set rmargin 10
set output 'coordinates_GCcontent.png'
set xlabel 'n(bp)'
set ylabel 'GC content'
plot [0:2030] [] 'coordinates.SegGC' title 'GC content' w lines


reset
set terminal png medium size 800,600
set output 'coordinates_Vestrel.png'
set lmargin 14
set rmargin 10
set xlabel 'n(bp)'
set ylabel 'Vestrel (bp)'
plot  [0:2029] [] 'coordinates.Vestrel' title 'Vestrel' w lines,'coordinates.TagP' title 'Uploaded coordinates points' w points pt 6 ps 1.8

