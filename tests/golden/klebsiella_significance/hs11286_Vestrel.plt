
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
set label '1' at 50.251000,  -2198.510
set label '2' at 55.152000,  -3073.671
set label '3' at 72.113000,  -1915.399
set label '4' at 367.771000,  -7354.442
set label '5' at 383.386000,  -5532.541
set label '6' at 418.554000,  -5812.645
set label '7' at 424.738000,  -7630.997
set label '8' at 432.162000,  -8625.099
set label '9' at 1291.116000,  -6024.880
set label '10' at 1361.578000, -12993.962
set label '11' at 1412.741000,  -9859.089
set label '12' at 1422.167000, -11645.087
set label '13' at 1440.642000, -11913.609
set label '14' at 1545.621000,  -2856.276
set label '15' at 2109.344000,  -4885.979
set label '16' at 2112.434000,  -4342.855
set label '17' at 2119.147000,  -4323.451
set label '18' at 2125.309000,  -3654.507
set label '19' at 2136.437000,  -4179.462
set label '20' at 2145.267000,  -5628.180
set label '21' at 2151.456000,  -5574.281
set label '22' at 2159.357000,  -5000.837
set label '23' at 2164.271000,  -3970.946
set label '24' at 2168.482000,  -3786.746
set label '25' at 2174.120000,  -2897.308
set label '26' at 2241.950000,  -3090.122
set label '27' at 2269.105000,  -1002.892
set label '28' at 2326.876000,  -7261.885
set label '29' at 2506.117000,   1753.132
set label '30' at 3394.859000,   8144.311
set label '31' at 3436.560000,   5812.575
set label '32' at 3440.316000,   5959.933
set label '33' at 3443.572000,   5802.190
set label '34' at 3459.806000,   6832.366
set label '35' at 3463.974000,   6792.007
set label '36' at 3498.296000,   -209.368
set label '37' at 3543.894000,   1916.133
set label '38' at 3546.950000,    712.350
set label '39' at 3553.150000,  -1334.399
set label '40' at 3556.451000,  -1903.883
set label '41' at 3561.547000,  -2179.255
set label '42' at 3570.095000,  -6619.730
set label '43' at 3575.742000,  -8938.641
set label '44' at 3582.709000,  -9699.285
set label '45' at 3653.910000,  -5058.068
set label '46' at 4025.304000,   -744.229
set label '47' at 4107.748000,  -5384.193
set label '48' at 4257.425000,   -524.541
set label '49' at 4356.229000,   7292.795
set label '50' at 4392.177000,   5747.849
set label '51' at 4401.513000,   6215.333
set label '52' at 4405.833000,   6892.204
set label '53' at 4501.795000,   7439.267
set label '54' at 4508.394000,   6623.749
set label '55' at 4513.142000,   5144.507
set label '56' at 4516.330000,   4696.950
set label '57' at 4520.986000,   4929.490
set label '58' at 4528.889000,   1560.634
set label '59' at 4535.670000,   2017.853
set label '60' at 4544.472000,   1733.329
set label '61' at 4549.040000,    895.050
set label '62' at 4552.681000,   -483.365
set label '63' at 4559.392000,   -831.661
set label '64' at 4562.502000,  -1635.533
set label '65' at 4638.905000,   -367.567
set label '66' at 4672.651000,   1989.342
set label '67' at 4817.543000,  -1675.221
set label '68' at 4877.260000,  -8197.722
set label '69' at 4909.435000,  -8228.480
set label '70' at 5278.329000,   1577.856
set label '71' at 5323.049000,    488.879
set label '72' at 5457.986000, -20547.443
set label '73' at 5465.981000, -20872.080
set label '74' at 5469.168000, -21314.487
set label '75' at 5474.604000, -20498.790
set label '76' at 5482.394000, -20783.718
set label '77' at 5486.035000, -20186.134
set label '78' at 5493.756000, -23181.726
set label '79' at 5679.115000, -40875.174
plot  [0:5682] [] 'hs11286.Vestrel' title 'Vestrel' w lines,'hs11286.SegP' title 'Segmentation points' w points pt 4 ps 2

