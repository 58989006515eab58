; quick.bat: one short measurement of each scene (used by the tests).
; A 20 by 20 grid of quads, lit and smooth (the start-up settings).
mg 20
c
; Two full-window layers, nearest first.
mo front 2
c
; The ripple surface: three ripples.
mr
c
; The terrain: one pass of the fly-through path.
mt
c
