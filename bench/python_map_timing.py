"""The position map over sphere100K with the demo's 154 pairs at the demo's pose, through
the C++ benchmark (BM_DemoMap_Fast on all hardware threads) and through the Python module,
in one run; prints the medians and the fastest runs of both and their ratios (the bar: Python
within 1.2 x); the fastest runs are the ones least disturbed by other work.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_map_timing.py \\
        [build/bench/velmora_bench_maps] [repetitions]
"""

import json
import os
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

import velmora

bench = Path(sys.argv[1] if len(sys.argv) > 1 else "build/bench/velmora_bench_maps")
repetitions = int(sys.argv[2]) if len(sys.argv) > 2 else 5
data = velmora.data_file("sphere100K.fsd").parent
vertices = velmora.load_fst(data / "sphere100K.fsd")[0]
p1, p2 = velmora.load_vector_data(data / "demo.dtx")
second = velmora.Camera(azimuth=0.6, altitude=-0.2)


def cpp_times():
    with tempfile.TemporaryDirectory() as tmp:
        out = Path(tmp) / "maps.json"
        subprocess.run([bench, "--benchmark_filter=BM_DemoMap_Fast/0/-1",
                        f"--benchmark_repetitions={repetitions}", f"--benchmark_out={out}",
                        "--benchmark_out_format=json"], check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, env={**os.environ, "VELMORA_BENCH_DATA": str(data)})
        runs = json.loads(out.read_text())["benchmarks"]
    return [r["real_time"] for r in runs if r["run_type"] == "iteration"]


def python_times():
    times = []
    for _ in range(repetitions + 1):  # the first call warms the caches and is not counted
        start = time.perf_counter()
        velmora.position_map(velmora.Camera(), second, p1, p2, vertices)
        times.append((time.perf_counter() - start) * 1e3)
    return times[1:]


# Rounds alternate, so that other work on the machine falls on both sides alike.
cpp, py = [], []
for _ in range(3):
    cpp += cpp_times()
    py += python_times()
print(f"position map, {len(vertices)} vertices x {len(p1)} pairs, all hardware threads, "
      f"{len(cpp)} runs each:")
print("                 median   fastest  (ms)")
print(f"  C++ benchmark  {statistics.median(cpp):7.2f}  {min(cpp):7.2f}")
print(f"  Python module  {statistics.median(py):7.2f}  {min(py):7.2f}")
print(f"  ratio          {statistics.median(py) / statistics.median(cpp):7.3f}  "
      f"{min(py) / min(cpp):7.3f}  (bar: 1.2)")
