mg 2
tf t
mm 2
rl off
rs on
rt on
rp on
rw on
vc off
vn on
xp
xb
xm
tp on
c
mo back 3
c
; comment
