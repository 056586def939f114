-20   ; field:  0  poti:  0   ser.no.:  1
 127  ; field:  0  poti:  1   ser.no.:  2
 100  ; field:  0  poti:  2   ser.no.:  3
 64   ; field:  0  poti:  3   ser.no.:  4
 64   ; field:  0  poti:  4   ser.no.:  5
 64   ; field:  0  poti:  5   ser.no.:  6
 64   ; field:  0  poti:  6   ser.no.:  7
 64   ; field:  0  poti:  7   ser.no.:  8
 64   ; field:  0  poti:  8   ser.no.:  9
 64   ; field:  0  poti:  9   ser.no.:  10
 64   ; field:  0  poti:  10  ser.no.:  11
 64   ; field:  0  poti:  11  ser.no.:  12
 64   ; field:  1  poti:  0   ser.no.:  13
 64   ; field:  1  poti:  1   ser.no.:  14
 64   ; field:  1  poti:  2   ser.no.:  15
 64   ; field:  1  poti:  3   ser.no.:  16
 64   ; field:  1  poti:  4   ser.no.:  17
 64   ; field:  1  poti:  5   ser.no.:  18
 64   ; field:  1  poti:  6   ser.no.:  19
 64   ; field:  1  poti:  7   ser.no.:  20
 64   ; field:  1  poti:  8   ser.no.:  21
 64   ; field:  1  poti:  9   ser.no.:  22
 64   ; field:  1  poti:  10  ser.no.:  23
 64   ; field:  1  poti:  11  ser.no.:  24
 64   ; field:  2  poti:  0   ser.no.:  25
 64   ; field:  2  poti:  1   ser.no.:  26
 64   ; field:  2  poti:  2   ser.no.:  27
 64   ; field:  2  poti:  3   ser.no.:  28
 64   ; field:  2  poti:  4   ser.no.:  29
 64   ; field:  2  poti:  5   ser.no.:  30
 64   ; field:  2  poti:  6   ser.no.:  31
 64   ; field:  2  poti:  7   ser.no.:  32
 64   ; field:  2  poti:  8   ser.no.:  33
 64   ; field:  2  poti:  9   ser.no.:  34
 64   ; field:  2  poti:  10  ser.no.:  35
 64   ; field:  2  poti:  11  ser.no.:  36
 64   ; field:  3  poti:  0   ser.no.:  37
 64   ; field:  3  poti:  1   ser.no.:  38
 64   ; field:  3  poti:  2   ser.no.:  39
 64   ; field:  3  poti:  3   ser.no.:  40
 64   ; field:  3  poti:  4   ser.no.:  41
 64   ; field:  3  poti:  5   ser.no.:  42
 64   ; field:  3  poti:  6   ser.no.:  43
 64   ; field:  3  poti:  7   ser.no.:  44
 64   ; field:  3  poti:  8   ser.no.:  45
 64   ; field:  3  poti:  9   ser.no.:  46
 64   ; field:  3  poti:  10  ser.no.:  47
 64   ; field:  3  poti:  11  ser.no.:  48
 64   ; field:  4  poti:  0   ser.no.:  49
 64   ; field:  4  poti:  1   ser.no.:  50
 64   ; field:  4  poti:  2   ser.no.:  51
 64   ; field:  4  poti:  3   ser.no.:  52
 64   ; field:  4  poti:  4   ser.no.:  53
 64   ; field:  4  poti:  5   ser.no.:  54
 64   ; field:  4  poti:  6   ser.no.:  55
 64   ; field:  4  poti:  7   ser.no.:  56
 64   ; field:  5  poti:  0   ser.no.:  57
 64   ; field:  5  poti:  1   ser.no.:  58
 64   ; field:  6  poti:  0   ser.no.:  59
 64   ; field:  6  poti:  1   ser.no.:  60
 64   ; field:  6  poti:  2   ser.no.:  61
 64   ; field:  6  poti:  3   ser.no.:  62
 64   ; field:  6  poti:  4   ser.no.:  63
 64   ; field:  6  poti:  5   ser.no.:  64
 64   ; field:  7  poti:  0   ser.no.:  65
 64   ; field:  7  poti:  1   ser.no.:  66
 64   ; field:  7  poti:  2   ser.no.:  67
 64   ; field:  7  poti:  3   ser.no.:  68
 64   ; field:  7  poti:  4   ser.no.:  69
 64   ; field:  7  poti:  5   ser.no.:  70
 64   ; field:  7  poti:  6   ser.no.:  71
 64   ; field:  8  poti:  0   ser.no.:  72
 64   ; field:  8  poti:  1   ser.no.:  73
 64   ; field:  8  poti:  2   ser.no.:  74
 64   ; field:  8  poti:  3   ser.no.:  75
 64   ; field:  8  poti:  4   ser.no.:  76
 64   ; field:  8  poti:  5   ser.no.:  77
 64   ; field:  8  poti:  6   ser.no.:  78
 64   ; field:  9  poti:  0   ser.no.:  79
 64   ; field:  9  poti:  1   ser.no.:  80
 64   ; field:  9  poti:  2   ser.no.:  81
 64   ; field:  9  poti:  3   ser.no.:  82
 64   ; field:  9  poti:  4   ser.no.:  83
 64   ; field:  9  poti:  5   ser.no.:  84
 64   ; field:  9  poti:  6   ser.no.:  85
 64   ; field:  10 poti:  0   ser.no.:  86
 64   ; field:  10 poti:  1   ser.no.:  87
 64   ; field:  10 poti:  2   ser.no.:  88
 64   ; field:  10 poti:  3   ser.no.:  89
 1    ; field:  11 poti:  0   ser.no.:  90
 64   ; field:  11 poti:  1   ser.no.:  91
 64   ; field:  11 poti:  2   ser.no.:  92
 64   ; field:  11 poti:  3   ser.no.:  93
 64   ; field:  11 poti:  4   ser.no.:  94
 63   ; field:  11 poti:  5   ser.no.:  95
 64   ; field:  11 poti:  6   ser.no.:  96
 64   ; field:  11 poti:  7   ser.no.:  97
 64   ; field:  11 poti:  8   ser.no.:  98
 63   ; field:  11 poti:  9   ser.no.:  99
 64   ; field:  11 poti:  10  ser.no.:  100
 64   ; field:  11 poti:  11  ser.no.:  101
 64   ; field:  11 poti:  12  ser.no.:  102
 64   ; field:  11 poti:  13  ser.no.:  103
-3    ; field:  11 poti:  14  ser.no.:  104
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
