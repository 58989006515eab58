; The default benchmark batch: every line is one command, run one per frame.
; Comment lines (starting with ";") are echoed into the log.
; Lighting and smooth shading on, texturing off (the start-up settings).
rl on
rs on
rt off
; Grid scenes and measurements ("mg", "c") are added as they come.
