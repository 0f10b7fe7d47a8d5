"""The reconstruction error of the demo along the second camera's azimuth, from a guess
(0.5 rad) out to +-0.6 rad, through the true pose (0.6 rad): plotted with matplotlib when
it is installed, else printed.

    python3 error_along_azimuth.py [OUTPUT_FOLDER]
"""

import sys
from pathlib import Path

import numpy as np
import velmora

p1, p2 = velmora.load_vector_data(velmora.data_file("demo.dtx"))
guess = velmora.Camera(azimuth=0.5, altitude=-0.2)
along = velmora.profile(velmora.Camera(), guess, p1, p2, view=2, param="azimuth", range=0.6,
                        steps=121)
best = along.value[np.argmin(along.error)]

try:
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
except ImportError:
    for a, e in zip(along.value, along.error):
        print(f"azimuth {a:8.5f}  error {e:8.3f}")
else:
    out = Path(sys.argv[1] if len(sys.argv) > 1 else ".") / "error_along_azimuth.png"
    plt.plot(along.value, along.error)
    plt.axvline(along.current, linestyle=":")
    plt.xlabel("second camera's azimuth (rad)")
    plt.ylabel("reconstruction error")
    plt.savefig(out)
    print(f"wrote {out}")
print(f"best azimuth {best:.2f}")
