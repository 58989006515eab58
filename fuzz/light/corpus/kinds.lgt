//lights
D rgb 00ff00
Point amb 0.1 0.2 0.3 diff 0.4 0.5 0.6 spec 0.7 0.8 0.9 att 2 0 1
point rgb 0xf80 amb 0.5 0.5 0.5
s
ambient amb 0.2 0.4 0.6
A rgb 0x0000ff amb 1 1 1
spot anglerad 0.5 exp 1
