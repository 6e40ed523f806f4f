#!/usr/bin/env python3
"""Applies `evenhue apply` to SVG files that design tools wrote and checks
every result on its own terms, without any of evenhue's code:

- exit status 0, stderr holding only warning and notice lines;
- the input file untouched, the output well-formed XML;
- every gradient-painted shape and text outside clip paths, masks and foreign
  objects now points at a new gradient of 4n - 3 stops, or is left exactly as
  it was with a warning that names it and the edge the re-spacing would smooth
  over (the report lists every warning), (n from the midpoint
  record where the gradient has one, else its <stop>s), a record of its own
  beside them when the source had one, and colours that follow a re-spacing
  of the source's stops computed here from the published formulas;
- every other element, attribute and text kept as it was.

The files: every clip-art file of the sample folder that carries a midpoint
record, and a fixed sample of the others (every k-th in sorted order).
"""

import argparse
import concurrent.futures
import hashlib
import json
import math
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

RECORD_TAG = "{http://ns.adobe.com/AdobeSVGViewerExtensions/3.0/}midPointStop"
CONTAINERS = {"svg", "g", "a", "switch", "symbol", "defs", "pattern", "marker"}
SHAPES = {"path", "rect", "circle", "ellipse", "line", "polyline", "polygon"}
TEXT = {"text", "tspan", "textPath"}
NEW_ID = "-evenhue-"
MAX_STOPS = 8192


def local(tag):
    return tag.rsplit("}", 1)[-1] if isinstance(tag, str) else ""


def attr(element, name):
    """An attribute by local name (href in any namespace)."""
    if name in element.attrib:
        return element.attrib[name]
    for key, value in element.attrib.items():
        if local(key) == name and key.startswith("{"):
            return value
    return None


# ---- colours, as the formulas of the re-spacing define them --------------

NAMED = {"black": (0, 0, 0), "white": (255, 255, 255), "red": (255, 0, 0), "blue": (0, 0, 255),
         "lime": (0, 255, 0), "green": (0, 128, 0), "yellow": (255, 255, 0), "gray": (128, 128, 128),
         "grey": (128, 128, 128)}


def parse_rgb(text):
    """(r, g, b, alpha) in 0-1 for the colour forms used here, else None."""
    text = re.sub(r"\s+icc-color\(.*\)\s*$", "", text.strip()).strip()
    low = text.lower()
    if re.fullmatch(r"#[0-9a-f]{3}", low):
        return tuple(int(c * 2, 16) / 255 for c in low[1:]) + (1.0,)
    if re.fullmatch(r"#[0-9a-f]{6}", low):
        return tuple(int(low[i:i + 2], 16) / 255 for i in (1, 3, 5)) + (1.0,)
    m = re.fullmatch(r"rgba?\(\s*([^)]*)\)", low)
    if m:
        parts = [p.strip() for p in re.split(r"[,\s/]+", m.group(1).strip()) if p.strip()]
        if len(parts) in (3, 4):
            def channel(p):
                return float(p[:-1]) / 100 if p.endswith("%") else float(p) / 255
            rgb = tuple(min(1.0, max(0.0, channel(p))) for p in parts[:3])
            alpha = 1.0 if len(parts) == 3 else float(parts[3].rstrip("%")) / (100 if parts[3].endswith("%") else 1)
            return rgb + (alpha,)
    if low in NAMED:
        return tuple(c / 255 for c in NAMED[low]) + (1.0,)
    return None


def srgb_to_linear(x):
    return ((x + 0.055) / 1.055) ** 2.4 if x > 0.04045 else x / 12.92


def linear_to_srgb(x):
    return 1.055 * x ** 0.4166666666666667 - 0.055 if x > 0.0031308 else 12.92 * x


def lab_f(t):
    return t ** (1 / 3) if t > 0.008856 else 7.787 * t + 0.13793103448275862


def lab_f_inverse(t):
    return t * t * t if t > 0.206893 else (t - 0.13793103448275862) / 7.787


def rgb_to_lab(r, g, b):
    r, g, b = srgb_to_linear(r), srgb_to_linear(g), srgb_to_linear(b)
    x = 0.4124564 * r + 0.3575761 * g + 0.1804375 * b
    y = 0.2126729 * r + 0.7151522 * g + 0.072175 * b
    z = 0.0193339 * r + 0.119192 * g + 0.9503041 * b
    fx, fy, fz = lab_f(x / 0.95047), lab_f(y / 1.0), lab_f(z / 1.08883)
    return 116 * fy - 16, 500 * (fx - fy), 200 * (fy - fz)


def lab_to_rgb(l, a, b):
    fy = (l + 16) / 116
    fx = a / 500 + fy
    fz = fy - b / 200
    x, y, z = 0.95047 * lab_f_inverse(fx), lab_f_inverse(fy), 1.08883 * lab_f_inverse(fz)
    r = 3.2404542 * x - 1.5371385 * y - 0.4985314 * z
    g = -0.969266 * x + 1.8760108 * y + 0.041556 * z
    bl = 0.0556434 * x - 0.2040259 * y + 1.0572252 * z
    out = []
    for c in (r, g, bl):
        out.append(min(1.0, max(0.0, linear_to_srgb(c))))
    return tuple(out)


def midpoint_lerp(a, b, t, m):
    if t < m:
        return a + ((b - a) * (t / m)) * 0.5
    return a + (b - a) * (0.5 + ((t - m) / (1 - m)) * 0.5)


def locate(positions, p, strictly_after):
    """(prev, next) around p, or 'before' / 'after'."""
    k = 0
    while k < len(positions) and (positions[k] <= p if strictly_after else positions[k] < p):
        k += 1
    if k == 0:
        return "before"
    if k == len(positions):
        return "after"
    return k - 1, k


def resample(stops, count, in_lab):
    """stops: [(position 0-1, (r, g, b, opacity), midpoint 0.13-0.87)]."""
    positions = [s[0] for s in stops]
    out = []
    for i in range(count):
        p = i / (count - 1)
        where = locate(positions, p, in_lab)
        if where == "before":
            out.append((p, stops[0][1], stops[0][2]))
            continue
        if where == "after":
            out.append((p, stops[-1][1], stops[-1][2]))
            continue
        a, b = stops[where[0]], stops[where[1]]
        t = (p - a[0]) / (b[0] - a[0])
        m = a[2]
        if in_lab:
            la, lb = rgb_to_lab(*a[1][:3]), rgb_to_lab(*b[1][:3])
            rgb = lab_to_rgb(*(midpoint_lerp(x, y, t, m) for x, y in zip(la, lb)))
            colour = rgb + (midpoint_lerp(a[1][3], b[1][3], t, m),)
        else:
            colour = tuple(midpoint_lerp(x, y, t, m) for x, y in zip(a[1], b[1]))
        out.append((p, colour, m))
    return out


def respace(stops):
    return resample(resample(stops, 256, True), 4 * len(stops) - 3, False)


# ---- the document, read as renderers read it ------------------------------

def declarations(text):
    out = []
    for part in re.sub(r"/\*.*?\*/", "", text or "", flags=re.S).split(";"):
        if ":" in part:
            name, value = part.split(":", 1)
            important = bool(re.search(r"!\s*important\s*$", value, re.I))
            value = re.sub(r"!\s*important\s*$", "", value, flags=re.I).strip()
            out.append((name.strip().lower(), value, important))
    return out


class Sheet:
    """Rules of the simple forms design tools write: type, .class, #id, type.class."""

    def __init__(self, root):
        text = "".join("".join(e.itertext()) for e in root.iter() if local(e.tag) == "style")
        text = re.sub(r"/\*.*?\*/", "", text, flags=re.S).replace("<!--", "").replace("-->", "")
        self.rules = []
        for order, (selectors, body) in enumerate(re.findall(r"([^{}@]+)\{([^{}]*)\}", text)):
            for selector in selectors.split(","):
                m = re.fullmatch(r"\s*([A-Za-z][\w-]*|\*)?((?:[.#][\w-]+)*)\s*", selector)
                if not m or not (m.group(1) or m.group(2)):
                    continue
                kind = m.group(1) if m.group(1) not in (None, "*") else None
                parts = re.findall(r"([.#])([\w-]+)", m.group(2))
                specificity = (sum(1 for p in parts if p[0] == "#"), sum(1 for p in parts if p[0] == "."),
                               1 if kind else 0)
                self.rules.append((kind, parts, specificity, order, declarations(body)))

    def matching(self, element):
        classes = set((attr(element, "class") or "").split())
        for kind, parts, specificity, order, decls in self.rules:
            if kind and local(element.tag) != kind:
                continue
            if all((element.get("id") == name) if sign == "#" else (name in classes) for sign, name in parts):
                yield specificity, order, decls


PAINT = re.compile(r"(none|currentcolor|context-fill|context-stroke|url\(\s*['\"]?#[^)]*\)(\s+.+)?"
                   r"|#[0-9a-f]{3,8}|(rgb|rgba|hsl|hsla|device-cmyk)\([^)]*\)|[a-z]+)(\s+icc-color\(.*\))?", re.I)


def valid_paint(value):
    return PAINT.fullmatch(value.strip()) is not None


def own_paint(element, prop, sheet):
    """The element's own winning declaration of fill or stroke, or None."""
    best = None  # (rank, specificity, order, value)

    def offer(rank, specificity, order, value):
        nonlocal best
        if valid_paint(value) and (best is None or (rank, specificity, order) >= best[:3]):
            best = (rank, specificity, order, value)

    if element.get(prop) is not None:
        offer(0, (0, 0, 0), 0, element.get(prop))
    for specificity, order, decls in sheet.matching(element):
        for name, value, important in decls:
            if name == prop:
                offer(3 if important else 1, specificity, order, value)
    for order, (name, value, important) in enumerate(declarations(element.get("style"))):
        if name == prop:
            offer(4 if important else 2, (0, 0, 0), order, value)
    return None if best is None else best[3]


def href_target(element, ids):
    ref = attr(element, "href")
    if ref and ref.strip().startswith("#"):
        return ids.get(ref.strip()[1:])
    return None


def is_gradient(element):
    return element is not None and local(element.tag) in ("linearGradient", "radialGradient")


def stops_holder(gradient, ids):
    seen = set()
    at = gradient
    while is_gradient(at) and id(at) not in seen:
        seen.add(id(at))
        if any(local(c.tag) == "stop" for c in at):
            return at
        at = href_target(at, ids)
    return None


def stop_colour(stop, sheet):
    colour, opacity = "black", "1"
    for specificity, order, decls in sorted(sheet.matching(stop), key=lambda r: (r[0], r[1])):
        for name, value, _ in decls:
            if name == "stop-color":
                colour = value
            if name == "stop-opacity":
                opacity = value
    colour = stop.get("stop-color", colour)
    opacity = stop.get("stop-opacity", opacity)
    for name, value, _ in declarations(stop.get("style")):
        if name == "stop-color":
            colour = value
        if name == "stop-opacity":
            opacity = value
    rgb = parse_rgb(colour)
    try:
        o = float(opacity[:-1]) / 100 if opacity.strip().endswith("%") else float(opacity)
    except ValueError:
        o = 1.0
    return None if rgb is None else rgb[:3] + (min(1.0, max(0.0, o)) * rgb[3],)


def offset_of(text):
    text = (text or "0").strip()
    try:
        value = float(text[:-1]) / 100 if text.endswith("%") else float(text)
    except ValueError:
        return 0.0
    return 0.0 if math.isnan(value) else min(1.0, max(0.0, value))


def clamp_midpoint(m):
    return min(0.87, max(0.13, m))


def source_stops(gradient, ids, sheet):
    """(stops for the re-spacing or None where a colour is not RGB, n, had a record)."""
    holder = stops_holder(gradient, ids)
    if holder is None:
        return None, 0, False
    stops, previous = [], 0.0
    for s in holder:
        if local(s.tag) != "stop":
            continue
        position = max(previous, offset_of(s.get("offset")))
        previous = position
        m = s.get("data-midpoint")
        stops.append((position, stop_colour(s, sheet), clamp_midpoint(float(m) / 100 if m else 0.5)))
    record = [e for e in holder if e.tag == RECORD_TAG]
    if record and len(record) % 2 == 1:
        true, ok, previous = [], True, 0.0
        for i, e in enumerate(record):
            try:
                value = float(e.get("offset"))
            except (TypeError, ValueError):
                ok = False
                break
            if not 0 <= value <= 1 or (i % 2 == 0 and value < previous):
                ok = False
                break
            if i % 2 == 1:
                true[-1][2] = clamp_midpoint(value)
                continue
            previous = value
            colour = stop_colour(e, sheet)
            opacity = next((s[1][3] for s in stops if s[1] and abs(s[0] - value) <= 1e-4), 1.0)
            true.append([value, None if colour is None else colour[:3] + (opacity,), 0.5])
        if ok:
            stops = [tuple(s) for s in true]
            return (None if any(s[1] is None for s in stops) else stops), len(stops), True
    return (None if any(s[1] is None for s in stops) else stops), len(stops), False


def painted_elements(root, sheet, ids):
    """(element, property, source gradient) for every gradient paint a renderer draws with colour."""
    out = []
    stack = [(root, {"fill": "black", "stroke": "none"})]
    while stack:
        element, inherited = stack.pop()
        values = dict(inherited)
        for prop in ("fill", "stroke"):
            own = own_paint(element, prop, sheet)
            if own is not None and own.strip().lower() != "inherit":
                values[prop] = own
        name = local(element.tag)
        if name in SHAPES or name in TEXT:
            for prop in ("fill", "stroke"):
                m = re.match(r"\s*url\(\s*['\"]?#([^)'\"]+)['\"]?\s*\)", values[prop])
                if m and is_gradient(ids.get(m.group(1).strip())):
                    out.append((element, prop, ids[m.group(1).strip()]))
        if element is root or name in CONTAINERS or name in TEXT:
            stack.extend((child, values) for child in reversed(list(element)))
    return out


def paint_of(element, prop):
    value = element.get(prop)
    for name, v, _ in declarations(element.get("style")):
        if name == prop:
            value = v
    return value or ""


def check_file(path, evenhue, scratch):
    problems, stats = [], {"paints": 0, "rewritten": 0, "left alone": 0, "warnings": 0}
    with open(path, "rb") as f:
        data = f.read()
    digest = hashlib.sha256(data).hexdigest()
    out = os.path.join(scratch, hashlib.sha1(path.encode()).hexdigest() + ".svg")
    report = out + ".json"
    run = subprocess.run([evenhue, "apply", path, "-o", out, "--report", report], capture_output=True, timeout=120)
    warnings = []
    if os.path.exists(report):
        with open(report, "rb") as f:
            warnings = json.load(f)["warnings"]
        os.unlink(report)
    with open(path, "rb") as f:
        if hashlib.sha256(f.read()).hexdigest() != digest:
            problems.append("the input file was changed")
    if run.returncode != 0:
        return problems + ["exit %d: %s" % (run.returncode, run.stderr.decode(errors="replace").strip())], stats
    for line in run.stderr.decode(errors="replace").splitlines():
        if not re.match(r"evenhue: .*: (warning|notice): ", line):
            problems.append("unexpected line on stderr: " + line)
        stats["warnings"] += " warning: " in line
    try:
        before = ET.parse(path).getroot()
        after = ET.parse(out).getroot()
    except ET.ParseError as e:
        return problems + ["not well-formed: %s" % e], stats
    finally:
        if os.path.exists(out):
            os.unlink(out)

    ids_before = {e.get("id"): e for e in before.iter() if e.get("id") is not None}
    ids_after = {e.get("id"): e for e in after.iter() if e.get("id") is not None}
    sheet = Sheet(before)
    expected = {}  # id(element before) -> [(property, gradient)]
    for element, prop, gradient in painted_elements(before, sheet, ids_before):
        expected.setdefault(id(element), []).append((prop, gradient))

    # A paint a shape inherits may be rewritten where it is declared, on an
    # ancestor: its paint attributes may change, and the shape's paint is
    # read through inheritance.
    parents_before = {c: p for p in before.iter() for c in p}
    parents_after = {c: p for p in after.iter() for c in p}
    ancestors_may = {}  # id(element before) -> properties it may declare anew
    for element in list(before.iter()):
        if id(element) not in expected:
            continue
        up = parents_before.get(element)
        while up is not None:
            ancestors_may.setdefault(id(up), set()).update(p for p, _ in expected[id(element)])
            up = parents_before.get(up)

    def inherited_paint_of(element, prop):
        while element is not None:
            value = paint_of(element, prop)
            if value and value.strip().lower() != "inherit":
                return value
            element = parents_after.get(element)
        return ""

    # Walk both trees in step; new gradients in the output are skipped.
    pairs = [(before, after)]
    while pairs:
        b, a = pairs.pop()
        where = "<%s id=%r>" % (local(b.tag), b.get("id"))
        if b.tag != a.tag:
            problems.append("%s became <%s>" % (where, local(a.tag)))
            continue
        if (b.text or "") != (a.text or "") or (b.tail or "").strip() != (a.tail or "").strip():
            problems.append(where + ": its text changed")
        rewritten = {prop for prop, _ in expected.get(id(b), [])}
        changed = {k for k in set(b.attrib) | set(a.attrib) if b.attrib.get(k) != a.attrib.get(k)}
        inherited = ancestors_may.get(id(b), set())
        allowed = set(rewritten) | inherited | ({"style"} if rewritten or inherited else set())
        if changed - allowed:
            problems.append("%s: attributes changed: %s" % (where, sorted(changed - allowed)))
        for prop, gradient in expected.get(id(b), []):
            stats["paints"] += 1
            stops, n, had_record = source_stops(gradient, ids_before, sheet)
            m = re.match(r"\s*url\(#([^)]+)\)", inherited_paint_of(a, prop))
            if not 2 <= n <= MAX_STOPS:
                if m and NEW_ID in m.group(1):
                    problems.append("%s: %s of %d stops was rewritten" % (where, prop, n))
                continue
            named = "%s gradient '%s': " % (prop, gradient.get("id"))
            if paint_of(a, prop) == paint_of(b, prop) and any(
                    named in w and w.endswith("; left as it is") and
                    (b.get("id") is None or w.startswith("<%s id='%s'>" % (local(b.tag), b.get("id")))) for w in warnings):
                stats["left alone"] += 1
                continue
            new = ids_after.get(m.group(1)) if m else None
            if new is None or NEW_ID not in m.group(1) or m.group(1) in ids_before:
                problems.append("%s: %s is not a new gradient (%r)" % (where, prop, inherited_paint_of(a, prop)))
                continue
            new_stops = [s for s in new if local(s.tag) == "stop"]
            if len(new_stops) != 4 * n - 3:
                problems.append("%s: %s has %d stops, not %d" % (where, prop, len(new_stops), 4 * n - 3))
                continue
            record = [e for e in new if e.tag == RECORD_TAG]
            if had_record and len(record) != 2 * len(new_stops) - 1:
                problems.append("%s: %s carries %d record entries, not %d" %
                                (where, prop, len(record), 2 * len(new_stops) - 1))
            if stops is not None:
                for got, (position, colour, _) in zip(new_stops, respace(stops)):
                    rgb = parse_rgb(got.get("stop-color", ""))
                    if rgb is None or max(abs(x - y) for x, y in zip(rgb[:3], colour[:3])) > 1.5 / 255 or \
                            abs(offset_of(got.get("offset")) - position) > 1e-9:
                        problems.append("%s: %s stop at %s is %s, the re-spacing gives %s" % (
                            where, prop, got.get("offset"), got.get("stop-color"),
                            "#%02x%02x%02x" % tuple(round(c * 255) for c in colour[:3])))
                        break
            stats["rewritten"] += 1
        kids_b = list(b)
        kids_a = [c for c in a if not (c.get("id") and NEW_ID in c.get("id") and c.get("id") not in ids_before)]
        if len(kids_b) != len(kids_a):
            problems.append("%s: %d children became %d" % (where, len(kids_b), len(kids_a)))
            continue
        pairs.extend(zip(kids_b, kids_a))
    return problems, stats


def sample(folder, others):
    files = sorted(os.path.join(d, f) for d, _, fs in os.walk(folder) for f in fs if f.endswith(".svg"))
    with_record, rest = [], []
    for path in files:
        with open(path, "rb") as f:
            (with_record if b"midPointStop" in f.read() else rest).append(path)
    step = max(1, len(rest) // others) if others else len(rest) + 1
    return with_record, rest[::step][:others]


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--evenhue", required=True)
    parser.add_argument("--folder", default="/usr/share/openclipart/svg")
    parser.add_argument("--others", type=int, default=300, help="files without a record to sample")
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    parser.add_argument("files", nargs="*", help="check these instead of the sample")
    args = parser.parse_args()
    if args.files:
        files = args.files
    else:
        if not os.path.isdir(args.folder):
            sys.exit("check_real_files: %s is missing (Debian package openclipart-svg)" % args.folder)
        with_record, others = sample(args.folder, args.others)
        print("%d files with a midpoint record, %d others" % (len(with_record), len(others)))
        files = with_record + others
    failed, totals = 0, {"paints": 0, "rewritten": 0, "left alone": 0, "warnings": 0}
    with tempfile.TemporaryDirectory() as scratch, concurrent.futures.ThreadPoolExecutor(args.jobs) as pool:
        for path, (problems, stats) in zip(files, pool.map(lambda p: check_file(p, args.evenhue, scratch), files)):
            for key in totals:
                totals[key] += stats[key]
            if problems:
                failed += 1
                print("FAIL %s\n  %s" % (path, "\n  ".join(problems[:5])))
    print("%d of %d files right; %d of %d gradient paints re-spaced as checked, %d left alone; %d warnings" % (
        len(files) - failed, len(files), totals["rewritten"], totals["paints"], totals["left alone"],
        totals["warnings"]))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
