; default.bat: the benchmark's default run. Every scene, under the main
; settings. One command per line, one line per frame; "c" starts a
; measurement, and the next line runs once its report is printed.
;
; --- Grids of quads, lit and smooth, vertex normals and colours ---
rl on
rs on
rt off
vn on
vc on
tf q
mg 10
c
mg 20
c
mg 30
c
mg 40
c
mg 50
c
mg 60
c
mg 70
c
mg 80
c
mg 90
c
; --- The same grids as triangles ---
tf t
mg 10
c
mg 50
c
mg 90
c
tf q
; --- The 20 by 20 grid attached 1, 4 and 9 times ---
mg 20
mm 4
c
mm 9
c
mm 1
; --- Lighting and shading variants on the 90 by 90 grid ---
mg 90
rs off
c
rl off
c
rl on
rs on
; --- Vertex attributes: none, colours only, normals only ---
vn off
vc off
c
vc on
c
vn on
vc off
c
vc on
; --- Texturing with the three filters ---
rt on
xp
c
xb
c
xm
c
rt off
; --- Wireframe ---
rw on
c
rw off
; --- Overwrite: 2, 8 and 16 full-window layers in both orders ---
mo front 2
c
mo back 2
c
mo front 8
c
mo back 8
c
mo front 16
c
mo back 16
c
; --- Overwrite with texturing ---
rt on
xb
mo front 16
c
mo back 16
c
rt off
; --- The ripple surface (three ripples) ---
mr
c
; --- The terrain fly-through over final.wrl (forces texturing on, lighting off) ---
mt
c
; --- The same fly-through without texturing ---
rt off
c
