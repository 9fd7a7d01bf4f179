
reset
set terminal png medium size 800,600
set lmargin 14
set rmargin 10
set output 'lambda_GCcontent.png'
set xlabel 'n(bp)'
set ylabel 'GC content'
plot [0:48502] [] 'lambda.SegGC' title 'GC content' w lines


reset
set terminal png medium size 800,600
set output 'lambda_Vestrel.png'
set lmargin 14
set rmargin 10
set xlabel 'n(10bp)'
set ylabel 'Vestrel (bp)'
set label '1' at 2162.300000,   3333.336
plot  [0:4850] [] 'lambda.Vestrel' title 'Vestrel' w lines,'lambda.SegP' title 'Segmentation points' w points pt 4 ps 2

