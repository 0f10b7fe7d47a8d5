import math
import os
import signal
import struct
import subprocess
import sys
import threading
import time
import zlib
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import numpy as np
import pytest
import velmora


def sphere(count, seed=7):
    return np.random.default_rng(seed).normal(size=(count, 3))


def test_results_own_their_buffers_and_inputs_are_read_in_place(demo):
    p1, p2, second = demo
    r = velmora.reconstruct(velmora.Camera(), second, p1, p2)
    for a in (p1, r.midpoints, r.ray_points, r.gaps):
        assert type(a.base).__name__ == "PyCapsule" and a.dtype == np.float64
    assert np.shares_memory(r.points1, p1) and np.shares_memory(r.points2, p2)

    # Other layouts and types are converted, with the same result.
    for q1 in (p1.astype(np.longdouble), np.asfortranarray(p1), p1.tolist()):
        other = velmora.reconstruct(velmora.Camera(), second, q1, p2)
        assert not np.shares_memory(other.points1, p1)
        np.testing.assert_array_equal(other.midpoints, r.midpoints)
    strided = np.repeat(p1, 2, axis=0)[::2]
    np.testing.assert_array_equal(
        velmora.reconstruct(velmora.Camera(), second, strided, p2).midpoints, r.midpoints)


def test_concurrent_maps_agree_with_one_map(demo):
    p1, p2, second = demo
    vertices = sphere(4000)
    one = velmora.position_map(velmora.Camera(), second, p1, p2, vertices, threads=1)
    with ThreadPoolExecutor(4) as pool:
        jobs = [pool.submit(velmora.position_map, velmora.Camera(), second, p1, p2, vertices,
                            threads=t) for t in (0, 1, 2, 3)]
        jobs += [pool.submit(velmora.direction_map, velmora.Camera(), second, p1, p2, vertices,
                             view="second") for _ in range(2)]
        results = [j.result() for j in jobs]
    for scores in results[:4]:
        np.testing.assert_array_equal(scores, one)
    np.testing.assert_array_equal(results[4], results[5])
    assert not np.array_equal(results[4], one)


# Each runs for minutes with 3080 pairs: a map, a slice of one view (the pair loop) and one
# of both views (each view recomputed).
@pytest.mark.parametrize("long_call", [
    lambda *a: velmora.position_map(*a, sphere(1_000_000), threads=1),
    lambda *a: velmora.slice(*a, param2="altitude", steps=3000, threads=1),
    lambda *a: velmora.slice(*a, param2="distance", view2=1, steps=3000),
])
def test_ctrl_c_stops_a_long_call(demo, long_call):
    p1, p2, second = demo
    many = np.tile(p1, (20, 1)), np.tile(p2, (20, 1))
    timer = threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT))
    start = time.monotonic()
    timer.start()
    with pytest.raises(KeyboardInterrupt):
        long_call(velmora.Camera(), second, *many)
    assert time.monotonic() - start < 2.0
    timer.join()
    assert velmora.position_map(velmora.Camera(), second, p1, p2, sphere(10)).shape == (10,)


@pytest.mark.parametrize("call, message", [
    (lambda d: velmora.reconstruct(velmora.Camera(), d[2], d[0], d[1][:-1]),
     "points2: expected as many rows as points1 (154), got 153"),
    (lambda d: velmora.reconstruct(velmora.Camera(), d[2], d[0][:, :1], d[1]),
     r"points1: expected an N x 2 array, got shape (154, 1)"),
    (lambda d: velmora.reconstruct(velmora.Camera(), d[2], d[0], d[1].astype(complex)),
     "points2: expected real numbers (float64), got dtype complex128"),
    (lambda d: velmora.position_map(velmora.Camera(), d[2], d[0], d[1], [["a", "b", "c"]]),
     "vertices: expected real numbers (float64), got dtype <U1"),
    (lambda d: velmora.position_map(velmora.Camera(), d[2], d[0], d[1], np.zeros(3)),
     "vertices: expected an N x 3 array, got shape (3,)"),
    (lambda d: velmora.direction_map(velmora.Camera(), d[2], d[0], d[1], np.ones((2, 3)),
                                     view="third"),
     "view: expected 'first' or 'second', got 'third'"),
    (lambda d: velmora.position_map(velmora.Camera(), d[2], d[0], d[1], np.ones((2, 3)),
                                    threads=-1),
     "threads: expected 0 (one per processor) or more, got -1"),
    (lambda d: velmora.reconstruct(velmora.Camera(), d[2], d[0], d[1], error="Plain"),
     "error: expected 'plain' or 'baseline', got 'Plain'"),
    (lambda d: velmora.direction_map(velmora.Camera(), d[2], d[0], d[1], np.ones((2, 3)),
                                     error="rms"),
     "error: expected 'plain' or 'baseline', got 'rms'"),
    (lambda d: velmora.profile(velmora.Camera(), d[2], d[0], d[1], param="focal_length"),
     "param: expected azimuth, altitude, rotation, focal, distance, pan or tilt, got "
     "'focal_length'"),
    (lambda d: velmora.profile(velmora.Camera(), d[2], d[0], d[1], view=0),
     "view: expected 1 or 2, got 0"),
    (lambda d: velmora.profile(velmora.Camera(), d[2], d[0], d[1], range=math.inf),
     "range: expected a finite number above 0, got inf"),
    (lambda d: velmora.slice(velmora.Camera(), d[2], d[0], d[1], param2="tilt", steps2=0),
     "steps2: expected 1 or more, got 0"),
    (lambda d: velmora.slice(velmora.Camera(), d[2], d[0], d[1], param2="azimuth"),
     "param2: the same parameter of the same view as param"),
    (lambda d: velmora.load_vector_data("missing.dtx"),
     "cannot read data file missing.dtx: No such file or directory"),
    (lambda d: velmora.load_position_file("/"),
     "cannot read position file /: Is a directory"),
    (lambda d: velmora.load_fst("missing.fsd"),
     "cannot read FST file missing.fsd: No such file or directory"),
])
def test_refusals_name_what_is_wrong(demo, call, message):
    with pytest.raises(ValueError) as refused:
        call(demo)
    assert str(refused.value) == message


def test_readers_give_their_own_messages(tmp_path):
    bad = tmp_path / "bad.fsd"
    bad.write_text("2 FSTShape\n")
    with pytest.raises(ValueError, match=f"^File {bad} is not FST file!$"):
        velmora.load_fst(bad)
    bad.write_text("1 FSTShape\n1\nx\n2\n0 0 0 1 1 1\n1\n1 3 0 1 2\n")
    with pytest.raises(ValueError, match=f"^File {bad}"):
        velmora.load_fst(bad)
    good = tmp_path / "good.fsd"
    good.write_text("1 FSTShape\n1\ntriangle\n3\n0 0 0 10 0 0 0 10 0\n1\n1f 3 0 1 2\n")
    vertices, faces, colours = velmora.load_fst(good)
    np.testing.assert_array_equal(vertices, [[0, 0, 0], [10, 0, 0], [0, 10, 0]])
    np.testing.assert_array_equal(faces[0], [0, 1, 2])
    assert colours.shape == (1, 3) and colours.dtype == np.uint8

    data = tmp_path / "odd.dtx"
    data.write_text("1 2\n3 4\n5 6\n")  # the odd last line is left out
    p1, p2 = velmora.load_vector_data(data)
    np.testing.assert_array_equal(p1, [[1, 2]])
    np.testing.assert_array_equal(p2, [[3, 4]])


LOW_MEMORY = """
import resource, numpy as np, velmora
p1, p2 = velmora.load_vector_data(velmora.data_file("demo.dtx"))
vertices = np.ones((20_000_000, 3))
used = int(open("/proc/self/statm").read().split()[0]) * resource.getpagesize()
# Room for the map's copy of the vertices, not for its scores.
resource.setrlimit(resource.RLIMIT_AS, (used + vertices.nbytes + (40 << 20),) * 2)
try:
    velmora.position_map(velmora.Camera(), velmora.Camera(), p1, p2, vertices, threads=1)
except MemoryError as e:
    print("MemoryError", e)
print(velmora.position_map(velmora.Camera(), velmora.Camera(), p1, p2, vertices[:5]).shape)
"""


def test_low_memory_raises_instead_of_ending_the_process():
    run = subprocess.run([sys.executable, "-c", LOW_MEMORY], capture_output=True, text=True)
    assert run.returncode == 0, run.stderr
    assert run.stdout == "MemoryError Low memory!\n(5,)\n"


def read_png(path):
    """An 8-bit RGB or RGBA PNG, not interlaced, as H x W x 3."""
    data = Path(path).read_bytes()
    pos, idat, head = 8, b"", None
    while pos < len(data):
        size, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + size]
        head = body if kind == b"IHDR" else head
        idat += body if kind == b"IDAT" else b""
        pos += 12 + size
    w, h, depth, colour = struct.unpack(">IIBB", head[:10])
    assert depth == 8 and colour in (2, 6) and head[12] == 0
    n = 3 if colour == 2 else 4
    raw, rows, prev = zlib.decompress(idat), [], bytearray(w * n)
    for y in range(h):
        kind, line = raw[y * (w * n + 1)], bytearray(raw[y * (w * n + 1) + 1:(y + 1) * (w * n + 1)])
        for i in range(len(line)):
            a, b = line[i - n] if i >= n else 0, prev[i]
            c = prev[i - n] if i >= n else 0
            p = a + b - c
            pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
            line[i] = (line[i] + [0, a, b, (a + b) // 2,
                                  a if pa <= pb and pa <= pc else b if pb <= pc else c][kind]) & 255
        rows.append(line)
        prev = line
    return np.frombuffer(b"".join(rows), np.uint8).reshape(h, w, n)[..., :3]


def test_render_draws_what_the_cli_draws(demo, cli, tmp_path):
    p1, p2, _ = demo
    try:
        grey = velmora.render(velmora.Camera(), velmora.Camera(), width=64, height=48)
    except RuntimeError as no_context:
        pytest.skip(str(no_context))
    white = velmora.render(velmora.Camera(), velmora.Camera(), width=64, height=48, white=True)
    assert grey.shape == (48, 64, 3) and grey.dtype == np.uint8
    assert abs(int(grey[0, -1, 0]) - 128) <= 1 and (white[0, -1] == 255).all()

    out = tmp_path / "cli.png"
    cli("render", "--out", str(out), "--size", "200x150", "demo.fsd", "demo.dtx", "--position",
        "position.txt", "--observer", "110,0,0,0,20,-30,0", "--main-sphere", "1K")
    first, second = velmora.apply_position(velmora.load_position_file(
        velmora.data_file("position.txt")))
    ours = velmora.render(first, second, p1, p2, fst=velmora.data_file("demo.fsd"), width=200,
                          height=150, observer=(110, 0, 0, 0, 20, -30, 0), main_sphere=1000)
    # The CLI writes the error over the top left corner.
    np.testing.assert_array_equal(ours[30:], read_png(out)[30:])
    velmora.write_png(tmp_path / "ours.png", ours)
    np.testing.assert_array_equal(read_png(tmp_path / "ours.png"), ours)
    with pytest.raises(ValueError, match="^main_sphere: no sample sphere of 7 vertices"):
        velmora.render(velmora.Camera(), second, main_sphere=7)
