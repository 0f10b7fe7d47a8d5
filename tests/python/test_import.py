import math

import numpy as np
import pytest
import velmora


def opencv_matrix(name, m):
    m = np.atleast_2d(m)
    values = ", ".join(repr(float(v)) for v in m.ravel())
    return (f"{name}: !!opencv-matrix\n   rows: {m.shape[0]}\n   cols: {m.shape[1]}\n"
            f"   dt: d\n   data: [ {values} ]\n")


@pytest.fixture
def scene(tmp_path):
    """Twelve points seen by two 500-pixel cameras, the second turned 0.3 rad about y and
    moved: written as a rig (intrinsics and extrinsics in two files) with its matches, and
    as a COLMAP model whose pixel centres sit at 0.5."""
    world = np.random.default_rng(3).uniform([-1, -1, 4], [1, 1, 8], (12, 3))
    c, s = math.cos(0.3), math.sin(0.3)
    R = np.array([[c, 0, -s], [0, 1, 0], [s, 0, c]])
    T = np.array([-1.5, 0.1, 0.4])
    K = np.array([[500, 0, 320], [0, 480, 240], [0, 0, 1.0]])
    pixels = [(K @ x.T).T for x in (world, world @ R.T + T)]
    px = [p[:, :2] / p[:, 2:] for p in pixels]

    (tmp_path / "k.yml").write_text("%YAML:1.0\n---\n" + "".join(
        opencv_matrix(n, m) for n, m in (("M1", K), ("D1", np.zeros(5)), ("M2", K),
                                         ("D2", np.zeros(5)))))
    (tmp_path / "rt.yml").write_text("%YAML:1.0\n---\n" + opencv_matrix("R", R) +
                                     opencv_matrix("T", T.reshape(3, 1)))
    np.savetxt(tmp_path / "m.txt", np.hstack(px))

    (tmp_path / "cameras.txt").write_text("7 PINHOLE 640 480 500 480 320.5 240.5\n")
    w = 0.5 * math.sqrt(1 + np.trace(R))
    q = [w, (R[2, 1] - R[1, 2]) / (4 * w), (R[0, 2] - R[2, 0]) / (4 * w),
         (R[1, 0] - R[0, 1]) / (4 * w)]
    lines = []
    for image, (pose, p) in enumerate(zip(([1, 0, 0, 0, 0, 0, 0], [*q, *T]), px), start=1):
        lines.append(f"{image} " + " ".join(map(repr, pose)) + f" 7 im{image}.png")
        lines.append(" ".join(f"{u + 0.5!r} {v + 0.5!r} {100 + i}" for i, (u, v) in
                              enumerate(p)))
    (tmp_path / "images.txt").write_text("\n".join(lines) + "\n")
    (tmp_path / "points3D.txt").write_text("")
    return tmp_path


def test_importers_agree_and_their_rays_meet(scene):
    first, second, p1, p2 = velmora.import_rig([scene / "k.yml", scene / "rt.yml"],
                                               scene / "m.txt")
    assert p1.shape == p2.shape == (12, 2)
    assert velmora.reconstruct(first, second, p1, p2).error < -15
    np.savetxt(scene / "m5.txt", np.loadtxt(scene / "m.txt") + 0.5)
    shifted = velmora.import_rig([scene / "k.yml", scene / "rt.yml"], scene / "m5.txt",
                                 pixel_origin=0.5)
    np.testing.assert_allclose(shifted[2], p1, atol=1e-9)
    model = velmora.import_colmap(scene, images=(1, 2))
    for ours, theirs in zip(model[2:], (p1, p2)):
        np.testing.assert_allclose(ours, theirs, atol=1e-9)
    params = ("azimuth", "altitude", "rotation", "focal_length", "distance", "pan", "tilt")
    for ours, theirs in zip(model[:2], (first, second)):
        assert [getattr(ours, k) for k in params] == pytest.approx(
            [getattr(theirs, k) for k in params], abs=1e-9)
    swapped = velmora.import_colmap(scene, images=(2, 1))
    np.testing.assert_allclose(swapped[2], model[3], atol=1e-9)


def test_importers_refuse_with_their_messages(scene):
    for call, message in (
        (lambda: velmora.import_rig(scene / "k.yml", scene / "m.txt"),
         "k.yml: no rotation R and translation T"),
        (lambda: velmora.import_rig([scene / "k.yml", scene / "rt.yml"], scene / "no.txt"),
         "no.txt: cannot be read"),
        (lambda: velmora.import_colmap(scene, images=(1, 9)), "images.txt: no image 9"),
    ):
        with pytest.raises(ValueError) as refused:
            call()
        assert str(refused.value) == f"{scene}/{message}"
