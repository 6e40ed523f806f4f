#!/usr/bin/env python3
"""Expected values for the colour and re-spacing tests, computed apart from the C++ core.

Every formula is written out again here, in plain IEEE double arithmetic and in
the evaluation order the C++ must follow (left to right, no fused multiply-add,
no regrouping). Powers and cube roots come from the C maths library, as in the
core (math.pow and math.cbrt call libm's pow and cbrt), so the results are the
bits the core must produce. The values are written as hex floats.

    scripts/reference_values.py > tests/gradient/reference_values.hpp
"""
import math
import sys

# ---------------------------------------------------------------- colour

LAB_OFFSET = 0.13793103448275862  # the double nearest to 16/116
WHITE = (0.95047, 1.0, 1.08883)


def srgb_to_linear(x):
    return math.pow((x + 0.055) / 1.055, 2.4) if x > 0.04045 else x / 12.92


def linear_to_srgb(x):
    return 1.055 * math.pow(x, 0.4166666666666667) - 0.055 if x > 0.0031308 else 12.92 * x


def lab_f(t):
    return math.cbrt(t) if t > 0.008856 else 7.787 * t + LAB_OFFSET


def lab_f_inverse(t):
    return t * t * t if t > 0.206893 else (t - LAB_OFFSET) / 7.787


def clamp_unit(v):
    if v > 1.0:
        return 1.0
    if v < 0.0:
        return 0.0
    return v


def rgb_to_xyz(r, g, b):
    lr, lg, lb = srgb_to_linear(r), srgb_to_linear(g), srgb_to_linear(b)
    return (0.4124564 * lr + 0.3575761 * lg + 0.1804375 * lb,
            0.2126729 * lr + 0.7151522 * lg + 0.072175 * lb,
            0.0193339 * lr + 0.119192 * lg + 0.9503041 * lb)


def xyz_to_lab(x, y, z):
    fx, fy, fz = lab_f(x / WHITE[0]), lab_f(y / WHITE[1]), lab_f(z / WHITE[2])
    return (116.0 * fy - 16.0, 500.0 * (fx - fy), 200.0 * (fy - fz))


def lab_to_xyz(l, a, b):
    fy = (l + 16.0) / 116.0
    fx = a / 500.0 + fy
    fz = fy - b / 200.0
    return (WHITE[0] * lab_f_inverse(fx), WHITE[1] * lab_f_inverse(fy), WHITE[2] * lab_f_inverse(fz))


def xyz_to_rgb(x, y, z):
    lr = 3.2404542 * x - 1.5371385 * y - 0.4985314 * z
    lg = -0.969266 * x + 1.8760108 * y + 0.041556 * z
    lb = 0.0556434 * x - 0.2040259 * y + 1.0572252 * z
    return tuple(clamp_unit(linear_to_srgb(v)) for v in (lr, lg, lb))


def rgb_to_lab(c):
    return xyz_to_lab(*rgb_to_xyz(*c))


def lab_to_rgb(c):
    return xyz_to_rgb(*lab_to_xyz(*c))


# ---------------------------------------------------------------- re-spacing

def midpoint_lerp(a, b, t, m):
    if t < m:
        return a + ((b - a) * (t / m)) * 0.5
    return a + (b - a) * (0.5 + ((t - m) / (1.0 - m)) * 0.5)


def make_stop(position, color, midpoint):
    if midpoint > 0.87:
        midpoint = 0.87
    elif midpoint < 0.13:
        midpoint = 0.13
    return (position, tuple(color), midpoint)


def first_after(stops, p):
    first, count = 0, len(stops)
    while count > 0:
        half = count // 2
        mid = first + half
        if p < stops[mid][0]:
            count = half
        else:
            first, count = mid + 1, count - half - 1
    return first


def first_at_or_after(stops, p):
    first, count = 0, len(stops)
    while count > 0:
        half = count // 2
        mid = first + half
        if stops[mid][0] < p:
            first, count = mid + 1, count - half - 1
        else:
            count = half
    return first


def resample(stops, count, in_lab):
    out = []
    for i in range(count):
        p = float(i) / float(count - 1)
        k = (first_after if in_lab else first_at_or_after)(stops, p)
        if k == 0 or k == len(stops):
            end = stops[0] if k == 0 else stops[-1]
            out.append(make_stop(p, end[1], end[2]))
            continue
        prev, nxt = stops[k - 1], stops[k]
        t = (p - prev[0]) / (nxt[0] - prev[0])
        m = prev[2]
        if in_lab:
            la, lb = rgb_to_lab(prev[1][:3]), rgb_to_lab(nxt[1][:3])
            rgb = lab_to_rgb(tuple(midpoint_lerp(la[c], lb[c], t, m) for c in range(3)))
            color = rgb + (midpoint_lerp(prev[1][3], nxt[1][3], t, m),)
        else:
            color = tuple(midpoint_lerp(prev[1][c], nxt[1][c], t, m) for c in range(4))
        out.append(make_stop(p, color, m))
    return out


def chain(stops, count):
    return resample(resample(stops, 256, True), count, False)


def host_rewrite(host_stops):
    """A host gradient (ramp point %, midpoint %, r, g, b, opacity) as the rewrite writes it back."""
    stops = [make_stop(rp * 0.01, (r, g, b, op), mp * 0.01) for rp, mp, r, g, b, op in host_stops]
    out = chain(stops, 4 * len(stops) - 3)
    return [(s[0] * 100.0, s[2] * 100.0) + s[1] for s in out]


# ---------------------------------------------------------------- the cases

UP, DOWN = math.inf, -math.inf
# Inputs that land exactly on a threshold (checked below) and their neighbours just above.
L_AT_FINV = float.fromhex("0x1.fff93ff25e56cp+2")   # (L + 16) / 116 == 0.206893
L_ABOVE_FINV = float.fromhex("0x1.fff93ff25e56ep+2")
X_AT_GAMMA = float.fromhex("0x1.fa8bea31bf168p-11")  # linear red 3.2404542 * X == 0.0031308
X_ABOVE_GAMMA = math.nextafter(X_AT_GAMMA, UP)

CONVERSIONS = [  # (label, function, input)
    ("RgbToLabWhite", "RgbToLab", (1.0, 1.0, 1.0)),
    ("RgbToLabBlack", "RgbToLab", (0.0, 0.0, 0.0)),
    ("RgbToLabRed", "RgbToLab", (1.0, 0.0, 0.0)),
    ("RgbToLabGreen", "RgbToLab", (0.0, 1.0, 0.0)),
    ("RgbToLabBlue", "RgbToLab", (0.0, 0.0, 1.0)),
    ("RgbToLabGrey", "RgbToLab", (0.5, 0.5, 0.5)),
    ("RgbToLabAtAndAboveLinearisation", "RgbToLab", (0.04045, math.nextafter(0.04045, UP), 0.75)),
    ("RgbToLabDarkCompandsLinearly", "RgbToLab", (0.02, 0.03, 0.01)),
    ("RgbToLabDimCompandsByCubeRoot", "RgbToLab", (0.1, 0.15, 0.05)),
    ("RgbToLabAzure", "RgbToLab", (0.05, 0.25, 0.8)),
    ("RgbToLabOutOfRangeNotClamped", "RgbToLab", (1.2, -0.1, 0.5)),
    ("XyzToLabAtCompandingThreshold", "XyzToLab", (0.3, 0.008856, 0.5)),
    ("XyzToLabJustAboveCompandingThreshold", "XyzToLab", (0.005, math.nextafter(0.008856, UP), 0.009)),
    ("LabToRgbMidGrey", "LabToRgb", (50.0, 0.0, 0.0)),
    ("LabToRgbOutOfGamutClamped", "LabToRgb", (50.0, 100.0, 0.0)),
    ("LabToRgbDarkThroughLinearBranches", "LabToRgb", (5.0, 10.0, -10.0)),
    ("LabToRgbWhite", "LabToRgb", (100.0, 0.0, 0.0)),
    ("LabToRgbBlack", "LabToRgb", (0.0, 0.0, 0.0)),
    ("LabToRgbOlive", "LabToRgb", (30.0, -20.0, 40.0)),
    ("LabToRgbViolet", "LabToRgb", (20.0, 45.0, -42.0)),
    ("LabToXyzAtInverseThreshold", "LabToXyz", (L_AT_FINV, 20.0, -20.0)),
    ("LabToXyzJustAboveInverseThreshold", "LabToXyz", (L_ABOVE_FINV, -20.0, 20.0)),
    ("XyzToRgbAtGammaThreshold", "XyzToRgb", (X_AT_GAMMA, 0.0, 0.0)),
    ("XyzToRgbJustAboveGammaThreshold", "XyzToRgb", (X_ABOVE_GAMMA, 0.0, 0.0)),
]
FUNCTIONS = {"RgbToLab": lambda c: rgb_to_lab(c), "LabToRgb": lambda c: lab_to_rgb(c),
             "XyzToLab": lambda c: xyz_to_lab(*c), "LabToXyz": lambda c: lab_to_xyz(*c),
             "XyzToRgb": lambda c: xyz_to_rgb(*c)}

LERPS = [  # (a, b, t, m): both branches, at and around the midpoint
    (10.0, 20.0, 0.125, 0.25), (10.0, 20.0, 0.5, 0.25), (0.0, 1.0, 0.935, 0.87),
    (0.1, 0.7, 0.3, 0.37), (0.9, 0.15, 0.11, 0.13), (-3.3, 7.1, 0.29, 0.61),
    (0.1, 0.7, 0.45, 0.37), (0.9, 0.15, 0.7, 0.13), (-3.3, 7.1, 0.83, 0.61), (0.2, 0.4, 0.61, 0.61),
]

CHAINS = [  # (label, stops as (position, (r, g, b, opacity), midpoint), output count)
    ("TwoStopsRedToClearBlue", [(0.0, (1, 0, 0, 1), 0.5), (1.0, (0, 0, 1, 0), 0.5)], 5),
    ("TwoStopsBlackToWhite", [(0.0, (0, 0, 0, 1), 0.5), (1.0, (1, 1, 1, 1), 0.5)], 5),
    ("TwoStopsSkewedMidpoint", [(0.0, (0, 0, 0, 1), 0.3), (1.0, (1, 1, 1, 1), 0.5)], 5),
    ("ThreeStopsRedWhiteBlue", [(0.0, (1, 0, 0, 1), 0.5), (0.5, (1, 1, 1, 1), 0.5), (1.0, (0, 0, 1, 1), 0.5)], 9),
    ("SixStops", [(0.0, (0.9, 0.1, 0.2, 1.0), 0.4), (0.1, (1.0, 0.8, 0.0, 0.9), 0.62),
                  (0.35, (0.1, 0.7, 0.3, 0.75), 0.5), (0.6, (0.0, 0.3, 0.9, 0.6), 0.21),
                  (0.85, (0.5, 0.0, 0.6, 0.8), 0.77), (1.0, (0.05, 0.05, 0.1, 1.0), 0.5)], 21),
    ("TieMakesAHardEdge", [(0.0, (0.2, 0.3, 0.9, 1), 0.45), (0.5, (0.9, 0.9, 0.1, 1), 0.5),
                           (0.5, (0.6, 0.0, 0.2, 0.5), 0.7), (1.0, (0.0, 0.5, 0.5, 1), 0.5)], 13),
    ("ShortOfBothEndsMidpointsClamped", [(0.2, (1, 0, 0, 1), 0.05), (0.8, (0, 0, 1, 0.5), 0.95)], 5),
]

# Gradients as the host holds them (percent); ramp points and midpoints where x * 0.01 != x / 100.
HOST_GRADIENTS = [  # (label, stops as (ramp point, midpoint, r, g, b, opacity))
    ("ThreeStopsInside", [(7.0, 35.0, 0.95, 0.3, 0.1, 1.0), (57.0, 69.0, 0.2, 0.6, 0.9, 0.8),
                          (94.0, 50.0, 0.1, 0.1, 0.3, 0.45)]),
    ("FourStopsFullRange", [(0.0, 41.0, 0.0, 0.0, 1.0, 1.0), (35.0, 83.0, 1.0, 1.0, 0.0, 0.7),
                            (70.0, 47.0, 0.8, 0.2, 0.4, 0.9), (100.0, 50.0, 0.3, 0.9, 0.6, 1.0)]),
]


def check_worked_figures():
    """Six-decimal figures worked out by hand for these formulas: the script must agree."""
    def near(actual, expected, tol=5e-7):
        assert all(abs(a - e) <= tol for a, e in zip(actual, expected)), (actual, expected)
    near(rgb_to_lab((1, 0, 0)), (53.240794, 80.092460, 67.203197))
    near(rgb_to_lab((0, 0, 1)), (32.297011, 79.187520, -107.860162))
    near(rgb_to_lab((1.2, -0.1, 0.5)), (64.363101, 96.702176, 19.134581))
    near(lab_to_rgb((50, 100, 0)), (1.0, 0.0, 0.482832))
    near([midpoint_lerp(10, 20, 0.5, 0.25)], [16.666667])
    near([s[1][0] for s in chain([make_stop(0, (0, 0, 0, 1), 0.3), make_stop(1, (1, 1, 1, 1), 0.5)], 5)],
         [0, 0.385836, 0.611421, 0.801568, 1])
    near(chain([make_stop(0, (1, 0, 0, 1), 0.5), make_stop(1, (0, 0, 1, 0), 0.5)], 5)[2][1],
         (0.790240, 0, 0.535276, 0.5))
    three = [make_stop(0, (1, 0, 0, 1), 0.5), make_stop(0.5, (1, 1, 1, 1), 0.5), make_stop(1, (0, 0, 1, 1), 0.5)]
    near(chain(three, 9)[4][1], (0.998994, 0.996714, 0.997980, 1))
    assert (L_AT_FINV + 16.0) / 116.0 == 0.206893 < (L_ABOVE_FINV + 16.0) / 116.0
    assert 3.2404542 * X_AT_GAMMA == 0.0031308 < 3.2404542 * X_ABOVE_GAMMA


def hexes(values):
    return ", ".join(float(v).hex() for v in values)


def emit(out):
    w = out.write
    w("// Generated by scripts/reference_values.py from its own copy of the formulas; do not edit.\n"
      "// Regenerate: scripts/reference_values.py > tests/gradient/reference_values.hpp\n"
      "// Compared through tests/gradient/pinned.hpp.\n"
      "#pragma once\n\n#include <vector>\n\nnamespace reference {\n\n"
      "struct Conversion {\n  const char* label;\n  const char* function;\n  double in[3];\n  double out[3];\n};\n\n"
      "struct Lerp {\n  double a, b, t, m, out;\n};\n\n"
      "// A stop as (position, midpoint, red, green, blue, opacity): fractions in the core,\n"
      "// percent for ramp point and midpoint in the host's records.\n"
      "struct Stop {\n  double position, midpoint, red, green, blue, opacity;\n};\n\n"
      "struct Gradient {\n  const char* label;\n  std::vector<Stop> in;\n  std::vector<Stop> out;\n};\n\n")
    w("inline const Conversion kConversions[] = {\n")
    for label, fn, value in CONVERSIONS:
        w(f'    {{"{label}", "{fn}",\n     {{{hexes(value)}}},\n     {{{hexes(FUNCTIONS[fn](value))}}}}},\n')
    w("};\n\n// MidpointLerp(a, b, t, m).\ninline const Lerp kLerps[] = {\n")
    for a, b, t, m in LERPS:
        w(f"    {{{hexes((a, b, t, m, midpoint_lerp(a, b, t, m)))}}},\n")

    def stops(rows):
        return "".join(f"      {{{hexes(r)}}},\n" for r in rows)
    w("};\n\n// The two passes chained: ResampleInRgb(ResampleInLab(in, 256), count), count = out.size().\n"
      "inline const std::vector<Gradient> kChains = {\n")
    for label, given, count in CHAINS:
        made = [make_stop(p, c, m) for p, c, m in given]
        rows_in = [(p, m) + tuple(c) for p, c, m in given]
        rows_out = [(s[0], s[2]) + s[1] for s in chain(made, count)]
        w(f'    {{"{label}",\n     {{\n{stops(rows_in)}     }},\n     {{\n{stops(rows_out)}     }}}},\n')
    w("};\n\n// Host gradients in percent, and the 4n - 3 stops the rewrite writes for them.\n"
      "inline const std::vector<Gradient> kHostGradients = {\n")
    for label, given in HOST_GRADIENTS:
        w(f'    {{"{label}",\n     {{\n{stops(given)}     }},\n     {{\n{stops(host_rewrite(given))}     }}}},\n')
    w("};\n\n}  // namespace reference\n")


if __name__ == "__main__":
    check_worked_figures()
    emit(sys.stdout)
