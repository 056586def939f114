 1
; comment
  2*3 ; x
FULL
