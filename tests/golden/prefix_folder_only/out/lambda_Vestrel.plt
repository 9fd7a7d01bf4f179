
reset
set terminal png medium size 800,600
set lmargin 14
set rmargin 10
set output 'out/lambda_GCcontent.png'
set xlabel 'n(bp)'
set ylabel 'GC content'
plot [0:48502] [] 'out/lambda.SegGC' title 'GC content' w lines


reset
set terminal png medium size 800,600
set output 'out/lambda_Vestrel.png'
set lmargin 14
set rmargin 10
set xlabel 'n(10bp)'
set ylabel 'Vestrel (bp)'
set label '1' at 2162.300000,   3333.336
set label '2' at 2254.600000,   3325.376
set label '3' at 2782.900000,   1912.459
plot  [0:4850] [] 'out/lambda.Vestrel' title 'Vestrel' w lines,'out/lambda.SegP' title 'Segmentation points' w points pt 4 ps 2

