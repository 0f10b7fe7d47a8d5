#!/usr/bin/python3
"""Makes a calibrated stereo rig and its matched pixels, as a stereo calibration and a
matcher would leave them: rig.yml (OpenCV FileStorage YAML: M1 D1 M2 D2 R T) and
matches.csv (u1,v1,u2,v2 in pixels, OpenCV's convention: the centre of the top-left pixel
is 0,0). The scene is two chessboards at right angles, 9 by 6 corners each, one square
apart; the baseline is 6 squares. Usage: make_rig.py [FOLDER]"""

import os
import sys

import numpy as np


def rotation(axis, angle):
    """Rotation matrix about a unit axis (Rodrigues)."""
    k = np.array(axis, float) / np.linalg.norm(axis)
    kx = np.array([[0, -k[2], k[1]], [k[2], 0, -k[0]], [-k[1], k[0], 0]])
    return np.eye(3) + np.sin(angle) * kx + (1 - np.cos(angle)) * kx @ kx


def project(K, D, X):
    """OpenCV's pinhole model with k1 k2 p1 p2 k3 distortion; X in camera coordinates."""
    x, y = X[:, 0] / X[:, 2], X[:, 1] / X[:, 2]
    k1, k2, p1, p2, k3 = D
    r2 = x * x + y * y
    radial = 1 + k1 * r2 + k2 * r2**2 + k3 * r2**3
    xd = x * radial + 2 * p1 * x * y + p2 * (r2 + 2 * x * x)
    yd = y * radial + p1 * (r2 + 2 * y * y) + 2 * p2 * x * y
    return np.stack([K[0, 0] * xd + K[0, 2], K[1, 1] * yd + K[1, 2]], axis=1)


def matrix(name, m):
    rows, cols = m.shape
    data = ", ".join(repr(float(v)) for v in m.ravel())
    return (f"{name}: !!opencv-matrix\n   rows: {rows}\n   cols: {cols}\n   dt: d\n"
            f"   data: [ {data} ]\n")


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "."
    os.makedirs(out, exist_ok=True)
    # Two boards meeting along the y axis, in the first camera's frame (y down, z ahead),
    # about 20 squares away.
    grid = np.array([(i, j) for j in range(6) for i in range(9)], float)
    left = np.stack([-grid[:, 0], grid[:, 1] - 2.5, 20 + 0 * grid[:, 0]], axis=1)
    right = np.stack([0 * grid[:, 0], grid[:, 1] - 2.5, 20 - grid[:, 0]], axis=1)
    points = np.vstack([left, right]) @ rotation([0, 1, 0], 0.6).T + [-6, 0, 4]
    K1 = np.array([[700.0, 0, 319.5], [0, 700.0, 239.5], [0, 0, 1]])
    K2 = np.array([[690.0, 0, 322.0], [0, 692.0, 236.0], [0, 0, 1]])
    D1 = np.array([-0.28, 0.09, 0.001, -0.0005, 0.0])
    D2 = np.array([-0.26, 0.08, -0.0008, 0.0006, 0.0])
    # The second camera 6 squares to the right, turned 0.3 rad back towards the boards.
    R = rotation([0, 1, 0], 0.3)
    T = -R @ np.array([6.0, 0, 0])
    pixels1 = project(K1, D1, points)
    pixels2 = project(K2, D2, points @ R.T + T)
    with open(os.path.join(out, "rig.yml"), "w") as f:
        f.write("%YAML:1.0\n---\n")
        for name, m in (("M1", K1), ("D1", D1[None]), ("M2", K2), ("D2", D2[None]),
                        ("R", R), ("T", T[:, None])):
            f.write(matrix(name, m))
    with open(os.path.join(out, "matches.csv"), "w") as f:
        f.write("# two chessboards seen by a stereo rig\nu1,v1,u2,v2\n")
        for a, b in zip(pixels1, pixels2):
            f.write(f"{a[0]!r},{a[1]!r},{b[0]!r},{b[1]!r}\n")
    print(f"wrote {out}/rig.yml and {out}/matches.csv ({len(points)} matches)")


if __name__ == "__main__":
    main()
