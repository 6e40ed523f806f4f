#!/usr/bin/env python3
"""Applies `evenhue apply` to clip-art files that hold gradients and compares
each output with its input line by line, as `diff` shows it to someone who
keeps drawings under version control: with the new gradient elements taken
out (ids holding "-evenhue-", each with the line break and indentation
before it), every line must be as it was but for those that now refer to a
new gradient. Any other changed line is counted and the first few are
shown; the exit status is 1 when there is any.

The files: every k-th (in sorted order) of the regular .svg files of the
folder that mention a gradient, as many as --files asks.
"""

import argparse
import concurrent.futures
import difflib
import os
import re
import subprocess
import sys
import tempfile

NEW_ID = "-evenhue-"
NEW_GRADIENT = re.compile(rb"<([\w.-]+:)?(linear|radial)Gradient\b[^>]*\bid=([\"'])[^\"']*" + NEW_ID.encode() +
                          rb"\d+\3")


def without_new_gradients(text):
    """The text with every new gradient element taken out, and the line
    break and indentation put before it."""
    spans = []
    for m in NEW_GRADIENT.finditer(text):
        tag_end = text.find(b">", m.end())
        if text[tag_end - 1:tag_end] == b"/":
            end = tag_end + 1
        else:
            closing = b"</" + (m.group(1) or b"") + m.group(2) + b"Gradient>"
            end = text.find(closing, tag_end)
            end = len(text) if end < 0 else end + len(closing)
        start = m.start()
        while start > 0 and text[start - 1:start] in (b" ", b"\t"):
            start -= 1
        if text[start - 1:start] == b"\n":
            start -= 2 if text[start - 2:start - 1] == b"\r" else 1
        spans.append((start, end))
    out, at = [], 0
    for start, end in spans:
        out.append(text[at:start])
        at = end
    out.append(text[at:])
    return b"".join(out)


def other_changes(before, after):
    """The changed lines that hold no rewritten paint, once the new
    gradients are taken out."""
    old = before.split(b"\n")
    new = without_new_gradients(after).split(b"\n")
    bad = []
    for tag, i1, i2, j1, j2 in difflib.SequenceMatcher(None, old, new, autojunk=False).get_opcodes():
        if tag == "equal":
            continue
        # Line for line, each changed one now refers to a new gradient.
        if tag == "replace" and i2 - i1 == j2 - j1 and all(NEW_ID.encode() in new[j] for j in range(j1, j2)):
            continue
        bad += ["- " + line.decode(errors="replace") for line in old[i1:i2]]
        bad += ["+ " + line.decode(errors="replace") for line in new[j1:j2]]
    return bad


def check(path, evenhue, scratch):
    with open(path, "rb") as f:
        before = f.read()
    out = os.path.join(scratch, "%d.svg" % abs(hash(path)))
    run = subprocess.run([evenhue, "apply", path, "-o", out], capture_output=True, timeout=120)
    if run.returncode != 0:
        return None, run.stderr.decode(errors="replace").strip()
    if not os.path.exists(out):  # nothing re-spaced
        return [], None
    with open(out, "rb") as f:
        after = f.read()
    os.unlink(out)
    return other_changes(before, after), None


def sample(folder, count):
    files = sorted(os.path.join(d, f) for d, _, fs in os.walk(folder) for f in fs if f.endswith(".svg"))
    with_gradients = []
    for path in files:
        with open(path, "rb") as f:
            if b"Gradient" in f.read():
                with_gradients.append(path)
    step = max(1, len(with_gradients) // count)
    return with_gradients[::step][:count]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--evenhue", required=True)
    parser.add_argument("--folder", default="/usr/share/openclipart/svg")
    parser.add_argument("--files", type=int, default=300)
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    parser.add_argument("paths", nargs="*", help="compare these instead of the sample")
    args = parser.parse_args()
    if args.paths:
        files = args.paths
    else:
        if not os.path.isdir(args.folder):
            sys.exit("diff_real_files: %s is missing (Debian package openclipart-svg)" % args.folder)
        files = sample(args.folder, args.files)
    total, refused, touched = 0, 0, 0
    with tempfile.TemporaryDirectory() as scratch, concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        for path, (bad, error) in zip(files, pool.map(lambda p: check(p, args.evenhue, scratch), files)):
            if error is not None:
                refused += 1
                print("REFUSED %s: %s" % (path, error))
                continue
            if bad:
                touched += 1
                total += len(bad)
                print("CHANGED %s: %d other lines\n  %s" % (path, len(bad), "\n  ".join(l[:160] for l in bad[:3])))
    print("%d files: %d other changed lines in %d files; %d refused" % (len(files), total, touched, refused))
    return 1 if total else 0


if __name__ == "__main__":
    sys.exit(main())
