#!/usr/bin/env python3
"""Results as data: runs rendertest on a short batch with VLXRESULTS and
checks that every line of the results file is a JSON object whose scene,
settings and figures equal the report printed for the same measurement.
Then checks that the text output is the same without VLXRESULTS, and that
an unwritable results file and an unusable snapshot folder each give one
warning while the run goes on. Leaves two results files (a.jsonl and
b.jsonl, two runs of the batch) in the output folder for the compare test.

    check_results.py RENDERTEST SOURCE_DIR OUT_DIR
"""
import json
import os
import re
import subprocess
import sys

BATCH = """; results: every scene and both reports
mg 10
c
tf t
rt on
xb
c
vc off
rw on
c
rw off
mo back 3
c
mo front 2
c
mr
c
mt
c
"""

failures = []


def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAILED:", what)


def run(program, batch, env_extra, drop=("VLXRESULTS", "VLXSNAPSHOTS")):
    env = {k: v for k, v in os.environ.items() if k not in drop}
    env.update(env_extra)
    r = subprocess.run([program, "-b" + batch], env=env, stdout=subprocess.PIPE,
                       stderr=subprocess.STDOUT, text=True)
    check(r.returncode == 1, f"exit status {r.returncode}, expected 1")
    check("Batch run complete\n" in r.stdout, "the batch run completed")
    return r.stdout


def reports(out):
    """The printed reports, in order: (model, {label: value}, [lines])."""
    found, current = [], None
    for line in out.split("\n"):
        if line.startswith("Model: "):
            current = (line[len("Model: "):], {}, [])
            found.append(current)
        elif current is not None:
            current[2].append(line)
            if ": " in line and not line.startswith(("Vertex:", "Solid:")):
                label, value = line.split(": ", 1)
                current[1][label] = value
            if line == "*" * 43:
                current = None
    return found


def two(x):
    return "%.2f" % x


def check_scene(model, lines, rec):
    scene, settings = rec["scene"], rec["settings"]
    kind = scene["kind"]
    if kind == "grid":
        n = scene["grid_size"] * 10
        check(model == f"{n} by {n} grid of: {scene['faces']}", f"grid model {model!r} {scene}")
    elif kind == "overwrite":
        order = "Front->Back" if scene["order"] == "front-to-back" else "Back->Front"
        check(model == f"Overiting\t{scene['overwrite_count']} polygons {order}",
              f"overwrite model {model!r} {scene}")
    else:
        check(model == kind.capitalize(), f"model {model!r} {scene}")
    onoff = lambda b: "On" if b else "Off"
    want = []
    if rec["report"] == "A":
        want.append(f"Vertex: Normals {onoff(settings['vertex_normals'])}\t"
                    f"Colors {onoff(settings['vertex_colors'])}")
    want.append(f"Prebuild {onoff(settings['prebuild'])}")
    if settings["wireframe"]:
        want.append("Wireframe")
    else:
        want.append(f"Solid: Lighting {onoff(settings['lighting'])}\t"
                    f"Smooth Shading {onoff(settings['smooth_shading'])}\t"
                    f"Texturing {onoff(settings['texturing'])}")
        want.append(f"Perspective Texturing {onoff(settings['perspective_texturing'])}")
        want.append(f"Texture mode: {settings['texture_mode']}")
    for w in want:
        check(w in lines, f"settings line {w!r} in {lines}")
    if settings["wireframe"]:
        check(not any(l.startswith("Solid:") for l in lines), "wireframe prints no solid settings")


def check_figures(fields, lines, rec):
    f = rec["figures"]
    for name, value in f.items():
        check(isinstance(value, (int, float)), f"figure {name} is a number: {value!r}")
    check(fields["Elapsed Time(sec)"] == two(f["elapsed_s"]), f"elapsed {fields} {f}")
    check(fields["Framerate(frames/sec)"] == two(f["frame_rate"]), f"frame rate {fields} {f}")
    check(fields["Polygons in last frame"] == str(f["polygons_last_frame"]), f"last frame {f}")
    check(("Texture memory(bytes)" in fields) == ("texture_memory" in f), f"texture memory {f}")
    if "texture_memory" in f:
        check(fields["Texture memory(bytes)"] == str(f["texture_memory"]), f"texture memory {f}")
    warned = any(l.startswith("WARNING High Frame Rate") for l in lines)
    check(warned == f["high_frame_rate_warning"], f"warning {f}")
    if rec["report"] == "A":
        w, h = rec["window"]["width"], rec["window"]["height"]
        check(fields["Render Area Height(pixels)"] == f"{h} Width(pixels): {w}", "window size")
        check(f["frames"] == 10, "report A covers 10 frames")
        check(fields["Pixels/window"] == str(f["pixels_per_window"]), f"pixels {f}")
        check(fields["# of Polygons"] == str(f["polygons"]), f"polygons {f}")
        grid = rec["scene"]["kind"] == "grid"
        pp = two(f["pixels_per_polygon"]) if grid else str(int(f["pixels_per_polygon"]))
        check(fields["Pixels/Poly"] == pp, f"pixels/poly {fields['Pixels/Poly']} {f}")
        check(("Polygons/Sec" in fields) == grid == ("polygons_per_s" in f), "polygon rate")
        if grid:
            check(fields["Polygons/Sec"] == two(f["polygons_per_s"]), f"polygon rate {f}")
        m = f["megapixels_per_s"]
        check(fields["Megapixels/Sec"] == ("%.2f" % m if m > 1.0 else "%.4f" % m),
              f"megapixels {fields['Megapixels/Sec']} {m}")
    else:
        check(fields["Total # of polys drawn"] == str(f["polygons_drawn"]), f"drawn {f}")
        check(fields["Average # of polygons/frame"] == two(f["polygons_per_frame"]), f"avg {f}")
        check(fields["Average # of polyogons/sec"] == two(f["polygons_per_s"]), f"rate {f}")
        check(fields["Total Frames"] == str(f["frames"]), f"frames {f}")


def check_results_file(out, path):
    with open(path, encoding="utf-8") as fh:
        text = fh.read()
    check(text.endswith("\n"), "the results file ends with a newline")
    records = []
    for i, line in enumerate(text.splitlines(), 1):
        try:
            records.append(json.loads(line))
        except ValueError as e:
            check(False, f"line {i} parses as JSON: {e}: {line}")
    printed = reports(out)
    check(len(records) == len(printed) == 7, f"{len(records)} results, {len(printed)} reports")
    device = re.search(r"^3D device: (.*); (.*); (.*) \((hardware|software)\)$", out, re.M)
    for rec, (model, fields, lines) in zip(records, printed):
        check(rec["program"] == "rendertest" and rec["version"] == "6", "program and version")
        d = rec["device"]
        check(device is not None and
              (d["vendor"], d["renderer"], d["version"], d["kind"]) == device.groups(),
              f"device {d}")
        check(re.fullmatch(r"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ", rec["timestamp"]) is not None,
              f"timestamp {rec['timestamp']}")
        check(rec["report"] == ("B" if rec["scene"]["kind"] in ("ripple", "terrain") else "A"),
              "report kind")
        check_scene(model, lines, rec)
        check_figures(fields, lines, rec)
    return records


def masked(out):
    """The output with the figures that vary between runs hidden."""
    lines = [l for l in out.split("\n") if not l.startswith(("WARNING High", "          "))]
    text = "\n".join(lines)
    text = re.sub(r"(Elapsed Time\(sec\)|Framerate\(frames/sec\)|Polygons/Sec|Megapixels/Sec|"
                  r"Average # of polyogons/sec): [\d.]+", r"\1: #", text)
    return re.sub(r"-{39}\n(?:-{39}\n)+", "-" * 39 + "\n", text)


def main(argv):
    program, source, out_dir = argv[1:4]
    os.makedirs(out_dir, exist_ok=True)
    data = os.path.join(source, "bench", "data")
    base = {"VLMODELS": data, "VLIMAGES": data, "VLXOFFSCREEN": "1"}
    batch = os.path.join(out_dir, "results.bat")
    with open(batch, "w") as fh:
        fh.write(BATCH)
    outs = {}
    for name in ("a", "b"):
        path = os.path.join(out_dir, name + ".jsonl")
        if os.path.exists(path):
            os.remove(path)
        outs[name] = run(program, batch, dict(base, VLXRESULTS=path))
        check_results_file(outs[name], path)

    # Unset: the same text, figure for figure apart from the timings.
    plain = run(program, batch, base)
    check(masked(plain) == masked(outs["a"]), "the text output is the same without VLXRESULTS")
    check("VLX Warning" not in plain, "no warning without VLXRESULTS")

    # An unwritable file and a folder that is none: one warning each, at start-up.
    bad = run(program, batch, dict(base, VLXRESULTS=os.path.join(out_dir, "missing", "r.jsonl"),
                                   VLXSNAPSHOTS=batch))
    warnings = [l for l in bad.split("\n") if l.startswith("VLX Warning")]
    check(len(warnings) == 2, f"two warnings: {warnings}")
    check(any(l.startswith("VLX Warning: Results file ") and "cannot be written" in l
              for l in warnings), "the results warning")
    check(any(l.startswith("VLX Warning: Snapshot folder ") for l in warnings),
          "the snapshot warning")
    check(bad.find(warnings[0] if warnings else "?") < bad.find("Model:"),
          "the warnings come at start-up")
    rest = "\n".join(l for l in bad.split("\n") if not l.startswith("VLX Warning"))
    check(masked(rest) == masked(plain), "the run goes on as without the variables")
    if failures:
        print(f"{len(failures)} checks failed")
        return 1
    print("results files and reports agree")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
