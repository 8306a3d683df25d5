#!/usr/bin/env python3
"""Computes the expected output of the main job from the model description
alone (examples/models/fc_dequant.txt) and the input bytes, without the
runner, the plug-in or the simulated QNN:

    python3 examples/main_job/compute_expected.py > examples/main_job/expected.txt

QNN's rule for quantised numbers is real = scale * (stored + offset); a
result is stored as round(real / scale) - offset, saturated to the type.
"""
import math
import os

here = os.path.dirname(os.path.abspath(__file__))
description = os.path.join(here, "..", "models", "fc_dequant.txt")
input_file = os.path.join(here, "input_x.raw")


def tensors(path):
    """name -> {attribute: text} for every `tensor` line of the description."""
    found = {}
    for line in open(path):
        words = line.split("#", 1)[0].split()
        if len(words) >= 2 and words[0] == "tensor":
            found[words[1]] = dict(w.split("=", 1) for w in words[2:] if "=" in w)
    return found


def numbers(text):
    return [float(v) for v in text.strip("[]").split(",") if v]


t = tensors(description)
x_scale, x_offset = float(t["x"]["scale"]), int(t["x"]["offset"])
units, depth = (int(v) for v in t["w"]["shape"].split(","))
w_scales = numbers(t["w"]["scales"])
w_offsets = [int(v) for v in numbers(t["w"]["offsets"])]
w_stored = numbers(t["w"]["data"])
bias = numbers(t["bias"]["data"])
y_scale, y_offset = float(t["y"]["scale"]), int(t["y"]["offset"])

x_stored = list(open(input_file, "rb").read())
assert len(x_stored) == depth, "the input must hold one byte per input unit"
x = [x_scale * (q + x_offset) for q in x_stored]

out, accs, ys = [], [], []
for u in range(units):
    acc = bias[u]
    for k in range(depth):
        acc += x[k] * w_scales[u] * (w_stored[u * depth + k] + w_offsets[u])
    steps = acc / y_scale
    # Keep well away from a rounding tie, so float32 arithmetic in the
    # simulation cannot round the other way.
    assert abs(abs(steps - math.floor(steps)) - 0.5) > 0.01, f"unit {u} is too close to a tie"
    stored = min(255, max(0, int(math.floor(steps + 0.5)) - y_offset))
    accs.append(acc)
    ys.append(stored)
    out.append(y_scale * (stored + y_offset))

print("# Expected output of examples/models/fc_dequant.bin for input_x.raw,")
print("# computed from the model description by compute_expected.py.")
print("#   x (stored " + " ".join(str(q) for q in x_stored) + ") = "
      + " ".join(f"{v:g}" for v in x))
print("#   acc = x . w[u] + bias[u] = " + " ".join(f"{v:g}" for v in accs))
print("#   y (stored) = " + " ".join(str(q) for q in ys))
print("# out is y dequantised, so it moves in steps of y's scale (" + f"{y_scale:g}" + ").")
print("tolerance 1e-5")
print("out " + " ".join(f"{v:g}" for v in out))
