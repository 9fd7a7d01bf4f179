
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
set label '1' at 367.771000,  -7354.442
set label '2' at 383.386000,  -5532.541
set label '3' at 418.554000,  -5812.645
set label '4' at 432.162000,  -8625.099
set label '5' at 1287.910000,  -5868.627
set label '6' at 1361.578000, -12993.962
set label '7' at 1412.741000,  -9859.089
set label '8' at 1422.167000, -11645.087
set label '9' at 1440.642000, -11913.609
set label '10' at 1545.621000,  -2856.276
set label '11' at 2109.344000,  -4885.979
set label '12' at 2125.309000,  -3654.507
set label '13' at 2151.456000,  -5574.281
set label '14' at 2174.120000,  -2897.308
set label '15' at 2241.950000,  -3090.122
set label '16' at 2269.105000,  -1002.892
set label '17' at 2326.876000,  -7261.885
set label '18' at 2506.117000,   1753.132
set label '19' at 2661.097000,   3698.553
set label '20' at 2711.766000,  -1592.573
set label '21' at 2730.099000,    254.176
set label '22' at 2732.036000,    -64.983
set label '23' at 2736.529000,    442.974
set label '24' at 2743.564000,   -977.857
set label '25' at 2785.444000,   1938.594
set label '26' at 2789.383000,   1601.539
set label '27' at 2795.931000,   -389.340
set label '28' at 2946.924000,   4481.177
set label '29' at 3003.381000,   3151.019
set label '30' at 3029.013000,   5573.391
set label '31' at 3042.456000,   2146.653
set label '32' at 3105.233000,   8719.770
set label '33' at 3115.541000,   8619.650
set label '34' at 3117.476000,   7712.791
set label '35' at 3119.436000,   7569.186
set label '36' at 3152.397000,   9190.687
set label '37' at 3190.699000,   6259.116
set label '38' at 3242.882000,   9213.195
set label '39' at 3245.191000,   9106.311
set label '40' at 3256.187000,   5605.130
set label '41' at 3305.224000,   8084.474
set label '42' at 3463.974000,   6792.007
set label '43' at 3465.567000,   6018.378
set label '44' at 3491.363000,   2200.183
set label '45' at 3495.746000,   -139.382
set label '46' at 3515.312000,    -36.334
set label '47' at 3543.894000,   1916.133
set label '48' at 3553.150000,  -1334.399
set label '49' at 3561.547000,  -2179.255
set label '50' at 3575.742000,  -8938.641
set label '51' at 3583.558000,  -9721.464
set label '52' at 3653.910000,  -5058.068
set label '53' at 4025.304000,   -744.229
set label '54' at 4107.748000,  -5384.193
set label '55' at 4251.597000,   -831.517
set label '56' at 4356.229000,   7292.795
set label '57' at 4502.651000,   7405.040
set label '58' at 4516.330000,   4696.950
set label '59' at 4520.986000,   4929.490
set label '60' at 4528.889000,   1560.634
set label '61' at 4544.472000,   1733.329
set label '62' at 4552.681000,   -483.365
set label '63' at 4562.502000,  -1635.533
set label '64' at 4672.651000,   1989.342
set label '65' at 4817.543000,  -1675.221
set label '66' at 4881.429000,  -8399.231
set label '67' at 5280.836000,   1577.311
set label '68' at 5468.664000, -21310.989
set label '69' at 5486.035000, -20186.134
set label '70' at 5493.756000, -23181.726
plot  [0:5682] [] 'hs11286.Vestrel' title 'Vestrel' w lines,'hs11286.SegP' title 'Segmentation points' w points pt 4 ps 2

