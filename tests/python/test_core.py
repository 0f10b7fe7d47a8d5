import math

import numpy as np
import pytest
import velmora

SIDE = velmora.Camera(azimuth=math.pi / 2)


def rot(axis, a):
    c, s = math.cos(a), math.sin(a)
    return {
        "x": np.array([[1, 0, 0], [0, c, -s], [0, s, c]]),
        "y": np.array([[c, 0, s], [0, 1, 0], [-s, 0, c]]),
        "z": np.array([[c, -s, 0], [s, c, 0], [0, 0, 1]]),
    }[axis]


def test_camera_defaults_and_derived_arrays():
    cam = velmora.Camera()
    assert (cam.azimuth, cam.altitude, cam.rotation, cam.focal_length, cam.distance, cam.pan,
            cam.tilt) == (0, 0, 0, 10, 50, 0, 0)
    np.testing.assert_array_equal(cam.position, [0, 0, 60])
    np.testing.assert_array_equal(
        cam.plane_corners,
        [[-4.096, 3.072, 50], [4.096, 3.072, 50], [4.096, -3.072, 50], [-4.096, -3.072, 50]])
    np.testing.assert_allclose(SIDE.position, [60, 0, 0], atol=1e-12)

    cam = velmora.Camera(azimuth=0.3, altitude=-0.7, rotation=0.2, pan=0.1, tilt=0.4,
                         focal_length=8, distance=30)
    np.testing.assert_allclose(cam.orbit_matrix, rot("y", 0.3) @ rot("x", -0.7), atol=1e-15)
    np.testing.assert_allclose(cam.look_matrix,
                               rot("y", 0.1) @ rot("x", 0.4) @ rot("z", 0.2), atol=1e-15)
    np.testing.assert_allclose(cam.position, cam.orbit_matrix @ [0, 0, 38], atol=1e-12)
    cam.focal_length = 12  # a property changes what is derived from it
    np.testing.assert_allclose(cam.position, cam.orbit_matrix @ [0, 0, 42], atol=1e-12)
    assert cam == eval("velmora." + repr(cam)) and cam != velmora.Camera()


def test_reconstruct_worked_pairs():
    meet = velmora.reconstruct(velmora.Camera(), SIDE, [[1, 2]], [[-200 / 29, 20 / 29]])
    np.testing.assert_allclose(meet.midpoints, [[2, 4, 40]], atol=1e-9)
    np.testing.assert_allclose(meet.ray_points, [[[2, 4, 40]], [[2, 4, 40]]], atol=1e-9)
    assert meet.error < -20 and meet.gaps[0] < 1e-9

    # The scene point lies between the first camera and its image plane (t = -0.5).
    behind = ([[1, 2], [0, 0]], [[-1100 / 119, 20 / 119], [3, 1]])
    kept = velmora.reconstruct(velmora.Camera(), SIDE, *behind)
    np.testing.assert_allclose(kept.ray_points[:, 0], [[0.5, 1, 55], [0.5, 1, 55]], atol=1e-9)
    np.testing.assert_allclose(kept.gaps, np.linalg.norm(kept.ray_points[0] - kept.ray_points[1],
                                                         axis=1))
    assert kept.gaps[1] > 1 and kept.error == pytest.approx(math.log(kept.gaps[1]), abs=1e-9)
    rejected = velmora.reconstruct(velmora.Camera(), SIDE, *behind, skip_negative=True)
    assert rejected.error == pytest.approx(50)
    # The second view triangulates last and holds the far point.
    np.testing.assert_array_equal(rejected.ray_points[:, 0], [[0, 0, 0], [math.exp(50), 0, 0]])
    # The triangulation stops at the rejected pair: the next keeps its zero-filled points.
    np.testing.assert_array_equal(rejected.ray_points[:, 1], 0)

    empty = velmora.reconstruct(velmora.Camera(), SIDE, np.zeros((0, 2)), np.zeros((0, 2)))
    assert empty.error == -math.inf and empty.midpoints.shape == (0, 3)


def pairs_of(points):
    return np.array([[p["midpoint"], p["firstRay"], p["secondRay"]] for p in points])


def test_reconstruct_equals_the_cli(demo, cli):
    p1, p2, second = demo
    out = cli("reconstruct", "demo.dtx", "--second", "0.6,-0.2,0,10,50,0,0")
    r = velmora.reconstruct(velmora.Camera(), second, p1, p2)
    assert r.error == out["error"] and len(p1) == out["pairs"] == 154
    expected = pairs_of(out["points"])
    np.testing.assert_array_equal(r.midpoints, expected[:, 0])
    np.testing.assert_array_equal(r.ray_points, expected[:, 1:].transpose(1, 0, 2))
    np.testing.assert_array_equal(p1, [p["first"] for p in out["points"]])
    np.testing.assert_array_equal(p2, [p["second"] for p in out["points"]])

    out = cli("reconstruct", "demo.dtx", "--position", "position.txt", "--skip-negative")
    targets = velmora.load_position_file(velmora.data_file("position.txt"))
    first, second = velmora.apply_position(targets)
    assert second.azimuth == targets[0] and second.distance == targets[5]
    assert first.distance == targets[4] and second.pan == targets[6]
    r = velmora.reconstruct(first, second, p1, p2, skip_negative=True)
    assert r.error == out["error"] and out["error"] < -20
    for name, cam in (("first", first), ("second", second)):
        assert [getattr(cam, k) for k in ("azimuth", "altitude", "rotation", "focal_length",
                                          "distance", "pan", "tilt")] == [
            out[name][k] for k in ("azimuth", "altitude", "rotation", "focalLength", "distance",
                                   "pan", "tilt")]
    np.testing.assert_array_equal(r.midpoints, pairs_of(out["points"])[:, 0])


def scores_of(out):
    return np.array([math.nan if v["score"] is None else v["score"] for v in out["vertices"]])


@pytest.mark.parametrize("args, view", [
    (["--sphere", "sphere1K.fsd", "--map", "positions"], None),
    (["--sphere", "sphere100.fsd", "--map", "directions", "--view", "first"], "first"),
    (["--sphere", "sphere100.fsd", "--map", "directions", "--view", "second"], "second"),
])
def test_maps_equal_the_cli(demo, cli, args, view):
    p1, p2, second = demo
    out = cli("scoremap", "--data", "demo.dtx", "--second", "0.6,-0.2,0,10,50,0,0", *args)
    vertices = velmora.load_fst(velmora.data_file(args[1]))[0]
    np.testing.assert_array_equal(vertices, [v["position"] for v in out["vertices"]])
    cams = (velmora.Camera(), second, p1, p2, vertices)
    if view is None:
        scores = velmora.position_map(*cams)
    else:
        scores = velmora.direction_map(*cams, view=view)
    finite = np.isfinite(scores)
    np.testing.assert_allclose(scores[finite], scores_of(out)[finite], rtol=1e-12)
    assert np.array_equal(finite, ~np.isnan(scores_of(out)))
    assert np.ptp(scores[finite]) > 1  # a real map, not a flat one


def test_baseline_kind_equals_the_cli(demo, cli):
    p1, p2, second = demo
    out = cli("reconstruct", "demo.dtx", "--second", "0.6,-0.2,0,10,50,0,0", "--error", "baseline")
    r = velmora.reconstruct(velmora.Camera(), second, p1, p2, error="baseline")
    assert (r.error, r.error_kind) == (out["error"], "baseline")
    assert r.error != velmora.reconstruct(velmora.Camera(), second, p1, p2).error

    out = cli("scoremap", "--data", "demo.dtx", "--second", "0.6,-0.2,0,10,50,0,0", "--sphere",
              "sphere100.fsd", "--map", "positions", "--error", "baseline")
    vertices = velmora.load_fst(velmora.data_file("sphere100.fsd"))[0]
    scores = velmora.position_map(velmora.Camera(), second, p1, p2, vertices, error="baseline")
    np.testing.assert_allclose(scores, scores_of(out), rtol=1e-12)


# The moving view alone (the pair loop), with rejections, both views moving, and a slice's
# second axis taking the first one's view, range and steps.
@pytest.mark.parametrize("args, kwargs", [
    (["profile"], {}),
    (["profile", "--view", "1", "--param", "altitude", "--range", "3", "--steps", "31",
      "--skip-negative"], dict(view=1, param="altitude", range=3, steps=31, skip_negative=True)),
    (["slice", "--param2", "distance", "--view2", "1", "--steps", "5", "--steps2", "3",
      "--range2", "20", "--error", "baseline"],
     dict(param2="distance", view2=1, steps=5, steps2=3, range2=20, error="baseline")),
    (["slice", "--param2", "altitude", "--steps", "9"], dict(param2="altitude", steps=9)),
])
def test_profile_and_slice_equal_the_cli(demo, cli, args, kwargs):
    p1, p2, second = demo
    out = cli(*args, "demo.dtx", "--second", "0.6,-0.2,0,10,50,0,0")
    call = velmora.slice if args[0] == "slice" else velmora.profile
    got = call(velmora.Camera(), second, p1, p2, **kwargs)
    samples = out["samples"]
    fields = ["offset", "value", "error", "rejected"]
    if call is velmora.slice:
        assert got.error.shape == (kwargs.get("steps2", kwargs["steps"]), kwargs["steps"])
        assert (got.view2, got.param2, got.current2) == (out["view2"], out["param2"],
                                                         out["value2"])
        fields += ["offset2", "value2"]
    assert (got.view, got.param, got.current, got.error_kind) == (
        out["view"], out["param"], out["value"], out["errorKind"])
    for name in fields:
        want = [math.nan if s[name] is None else s[name] for s in samples]
        np.testing.assert_array_equal(getattr(got, name).ravel(), want, err_msg=name)
    assert got.rejected.dtype == np.bool_
    assert np.ptp(got.error[~got.rejected]) > 1
    if "--skip-negative" in args:
        assert got.rejected.any()
