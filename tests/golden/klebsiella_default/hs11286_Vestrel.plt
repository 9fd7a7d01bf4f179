
reset
set terminal png medium size 800,600
set lmargin 14
set rmargin 10
set output 'hs11286_GCcontent.png'
set xlabel 'n(bp)'
set ylabel 'GC content'
plot [0:5682322] [] 'hs11286.SegGC' title 'GC content' w lines


reset
set terminal png medium size 800,600
set output 'hs11286_Vestrel.png'
set lmargin 14
set rmargin 10
set xlabel 'n(Kb)'
set ylabel 'Vestrel (bp)'
set label '1' at 5323.049000,    488.879
plot  [0:5682] [] 'hs11286.Vestrel' title 'Vestrel' w lines,'hs11286.SegP' title 'Segmentation points' w points pt 4 ps 2

