#!/usr/bin/env python3
"""scripts/validate fails a frame that is wrong: the reference is a
textured grid, the frame the same grid with texturing disabled. Renders
both on the software device into folders of their own, stores the
untextured frame under the textured frame's name, and expects FAIL with
the fraction of differing pixels, a difference image and exit status 1;
the textured frame against itself passes.

    check_validate.py VALIDATE RENDERTEST OUT_DIR
"""
import os
import re
import shutil
import subprocess
import sys

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))


def render(rendertest, out_dir, name, texturing):
    folder = os.path.join(out_dir, name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    batch = os.path.join(out_dir, name + ".bat")
    with open(batch, "w") as f:
        f.write(f"rt {'on' if texturing else 'off'}\nmg 20\nc\n")
    data = os.path.join(SOURCE, "bench", "data")
    env = dict(os.environ, VLMODELS=data, VLIMAGES=data, VLXOFFSCREEN="1",
               VLXSWRENDERERONLY="1", VLXSNAPSHOTS=folder)
    env.pop("VLXRESULTS", None)
    subprocess.run([rendertest, "-b" + batch], env=env, stdout=subprocess.DEVNULL, check=False)
    frames = os.listdir(folder)
    assert len(frames) == 1, frames
    return folder, frames[0]


def validate(script, snapshots, reference, out):
    r = subprocess.run([sys.executable, script, "--snapshots", snapshots, "--reference", reference,
                        "--out", out], stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    print(r.stdout)
    return r


def main(argv):
    script, rendertest, out_dir = argv[1:4]
    os.makedirs(out_dir, exist_ok=True)
    reference, textured = render(rendertest, out_dir, "textured", True)
    wrong, untextured = render(rendertest, out_dir, "untextured", False)
    problems = []
    if "t1" not in textured or "t0" not in untextured:
        problems.append(f"frame names carry the texturing setting: {textured} {untextured}")
    os.rename(os.path.join(wrong, untextured), os.path.join(wrong, textured))
    diffs = os.path.join(out_dir, "diffs")
    shutil.rmtree(diffs, ignore_errors=True)
    r = validate(script, wrong, reference, diffs)
    stem = textured[:-4]
    m = re.search(r"^FAIL  " + re.escape(stem) + r": (\d\.\d{4}) of the pixels differ", r.stdout, re.M)
    if r.returncode != 1 or not m or float(m.group(1)) <= 0.02:
        problems.append("the untextured frame fails with its fraction")
    if not os.path.isfile(os.path.join(diffs, stem + "-diff.png")):
        problems.append("a difference image is written")
    r = validate(script, reference, reference, diffs + "-same")
    if r.returncode != 0 or not re.search(r"^PASS  " + re.escape(stem) + r": 0\.0000 ", r.stdout, re.M):
        problems.append("the frame passes against itself")
    if os.path.exists(diffs + "-same"):
        problems.append("no difference image for a passing frame")
    for p in problems:
        print("FAILED:", p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
