"""The reconstruction error of the demo as the second camera's azimuth sweeps through the
true pose (0.6 rad): plotted with matplotlib when it is installed, else printed.

    python3 error_along_azimuth.py [OUTPUT_FOLDER]
"""

import sys
from pathlib import Path

import numpy as np
import velmora

p1, p2 = velmora.load_vector_data(velmora.data_file("demo.dtx"))
azimuths = np.linspace(0.0, 1.2, 25)
errors = [velmora.reconstruct(velmora.Camera(), velmora.Camera(azimuth=a, altitude=-0.2),
                              p1, p2).error for a in azimuths]
best = azimuths[int(np.argmin(errors))]

try:
    import matplotlib

    matplotlib.use("Agg")
    import matplotlib.pyplot as plt
except ImportError:
    for a, e in zip(azimuths, errors):
        print(f"azimuth {a:5.2f}  error {e:8.3f}")
else:
    out = Path(sys.argv[1] if len(sys.argv) > 1 else ".") / "error_along_azimuth.png"
    plt.plot(azimuths, errors)
    plt.xlabel("second camera's azimuth (rad)")
    plt.ylabel("reconstruction error")
    plt.savefig(out)
    print(f"wrote {out}")
print(f"best azimuth {best:.2f}")
