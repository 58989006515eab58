//lights
directed dir 0 -1 1 int 0.8 rgb ffffff
spot pos 0 10 0 dir 0 -1 0 angle 30 exp 2 att 1 0.01 0
ambient int 0.3
