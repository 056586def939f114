 2    ; field:  0  poti:  0   ser.no.:  1
 0    ; field:  0  poti:  1   ser.no.:  2
 0    ; field:  0  poti:  2   ser.no.:  3
 0    ; field:  0  poti:  3   ser.no.:  4
 40   ; field:  0  poti:  4   ser.no.:  5
 0    ; field:  0  poti:  5   ser.no.:  6
 0    ; field:  0  poti:  6   ser.no.:  7
 0    ; field:  0  poti:  7   ser.no.:  8
 0    ; field:  0  poti:  8   ser.no.:  9
 1    ; field:  0  poti:  9   ser.no.:  10
 0    ; field:  0  poti:  10  ser.no.:  11
 100  ; field:  0  poti:  11  ser.no.:  12
 0    ; field:  1  poti:  0   ser.no.:  13
 0    ; field:  1  poti:  1   ser.no.:  14
 0    ; field:  1  poti:  2   ser.no.:  15
 6    ; field:  1  poti:  3   ser.no.:  16
 64   ; field:  1  poti:  4   ser.no.:  17
 0    ; field:  1  poti:  5   ser.no.:  18
 0    ; field:  1  poti:  6   ser.no.:  19
 0    ; field:  1  poti:  7   ser.no.:  20
 0    ; field:  1  poti:  8   ser.no.:  21
 0    ; field:  1  poti:  9   ser.no.:  22
 0    ; field:  1  poti:  10  ser.no.:  23
 0    ; field:  1  poti:  11  ser.no.:  24
 0    ; field:  2  poti:  0   ser.no.:  25
 100  ; field:  2  poti:  1   ser.no.:  26
 0    ; field:  2  poti:  2   ser.no.:  27
 0    ; field:  2  poti:  3   ser.no.:  28
 0    ; field:  2  poti:  4   ser.no.:  29
 0    ; field:  2  poti:  5   ser.no.:  30
 64   ; field:  2  poti:  6   ser.no.:  31
 0    ; field:  2  poti:  7   ser.no.:  32
 0    ; field:  2  poti:  8   ser.no.:  33
 0    ; field:  2  poti:  9   ser.no.:  34
 0    ; field:  2  poti:  10  ser.no.:  35
 0    ; field:  2  poti:  11  ser.no.:  36
 0    ; field:  3  poti:  0   ser.no.:  37
 64   ; field:  3  poti:  1   ser.no.:  38
 0    ; field:  3  poti:  2   ser.no.:  39
 32   ; field:  3  poti:  3   ser.no.:  40
 0    ; field:  3  poti:  4   ser.no.:  41
 0    ; field:  3  poti:  5   ser.no.:  42
 100  ; field:  3  poti:  6   ser.no.:  43
 0    ; field:  3  poti:  7   ser.no.:  44
 80   ; field:  3  poti:  8   ser.no.:  45
 0    ; field:  3  poti:  9   ser.no.:  46
 0    ; field:  3  poti:  10  ser.no.:  47
 0    ; field:  3  poti:  11  ser.no.:  48
 0    ; field:  4  poti:  0   ser.no.:  49
 0    ; field:  4  poti:  1   ser.no.:  50
 0    ; field:  4  poti:  2   ser.no.:  51
 70   ; field:  4  poti:  3   ser.no.:  52
 60   ; field:  4  poti:  4   ser.no.:  53
 40   ; field:  4  poti:  5   ser.no.:  54
 0    ; field:  4  poti:  6   ser.no.:  55
 0    ; field:  4  poti:  7   ser.no.:  56
 0    ; field:  5  poti:  0   ser.no.:  57
 0    ; field:  5  poti:  1   ser.no.:  58
 0    ; field:  6  poti:  0   ser.no.:  59
 64   ; field:  6  poti:  1   ser.no.:  60
 0    ; field:  6  poti:  2   ser.no.:  61
 0    ; field:  6  poti:  3   ser.no.:  62
 0    ; field:  6  poti:  4   ser.no.:  63
 0    ; field:  6  poti:  5   ser.no.:  64
 0    ; field:  7  poti:  0   ser.no.:  65
 40   ; field:  7  poti:  1   ser.no.:  66
 0    ; field:  7  poti:  2   ser.no.:  67
 0    ; field:  7  poti:  3   ser.no.:  68
 0    ; field:  7  poti:  4   ser.no.:  69
 0    ; field:  7  poti:  5   ser.no.:  70
 0    ; field:  7  poti:  6   ser.no.:  71
 0    ; field:  8  poti:  0   ser.no.:  72
 64   ; field:  8  poti:  1   ser.no.:  73
 0    ; field:  8  poti:  2   ser.no.:  74
 32   ; field:  8  poti:  3   ser.no.:  75
 0    ; field:  8  poti:  4   ser.no.:  76
 0    ; field:  8  poti:  5   ser.no.:  77
 0    ; field:  8  poti:  6   ser.no.:  78
 2    ; field:  9  poti:  0   ser.no.:  79
 2    ; field:  9  poti:  1   ser.no.:  80
 32   ; field:  9  poti:  2   ser.no.:  81
 0    ; field:  9  poti:  3   ser.no.:  82
 0    ; field:  9  poti:  4   ser.no.:  83
 0    ; field:  9  poti:  5   ser.no.:  84
 0    ; field:  9  poti:  6   ser.no.:  85
 0    ; field:  10 poti:  0   ser.no.:  86
 0    ; field:  10 poti:  1   ser.no.:  87
 0    ; field:  10 poti:  2   ser.no.:  88
 16   ; field:  10 poti:  3   ser.no.:  89
 3    ; field:  11 poti:  0   ser.no.:  90
 0    ; field:  11 poti:  1   ser.no.:  91
 0    ; field:  11 poti:  2   ser.no.:  92
 30   ; field:  11 poti:  3   ser.no.:  93
 0    ; field:  11 poti:  4   ser.no.:  94
 6    ; field:  11 poti:  5   ser.no.:  95
 0    ; field:  11 poti:  6   ser.no.:  96
 55   ; field:  11 poti:  7   ser.no.:  97
-4    ; field:  11 poti:  8   ser.no.:  98
 0    ; field:  11 poti:  9   ser.no.:  99
 55   ; field:  11 poti:  10  ser.no.:  100
 0    ; field:  11 poti:  11  ser.no.:  101
 70   ; field:  11 poti:  12  ser.no.:  102
 0    ; field:  11 poti:  13  ser.no.:  103
 5    ; field:  11 poti:  14  ser.no.:  104
 0    ; dummy
 0    ; dummy
 0    ; dummy
 0    ; dummy
 0    ; dummy
 0    ; dummy
 0    ; dummy
 0    ; dummy
 0    ; dummy
 0    ; dummy
 0    ; dummy
 0    ; dummy
 0    ; dummy
 0    ; dummy
 0    ; dummy
 0    ; dummy
