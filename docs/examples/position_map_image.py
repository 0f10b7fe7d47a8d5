"""The demo's error over every position of the second camera, as a picture: azimuth from
-pi to pi across, altitude from pi/2 (top) to -pi/2 down, blue for a good pose, red for a
bad one. Written as position_map.png.

    python3 position_map_image.py [OUTPUT_FOLDER]
"""

import sys
from pathlib import Path

import numpy as np
import velmora

width, height = 360, 180
az, alt = np.meshgrid(np.linspace(-np.pi, np.pi, width), np.linspace(1.5, -1.5, height))
# The direction whose angles are (azimuth, altitude), as the cameras orbit.
vertices = np.stack([np.cos(alt) * np.sin(az), -np.sin(alt), np.cos(alt) * np.cos(az)], -1)

p1, p2 = velmora.load_vector_data(velmora.data_file("demo.dtx"))
scores = velmora.position_map(velmora.Camera(), velmora.Camera(), p1, p2,
                              vertices.reshape(-1, 3))
ordinary = np.isfinite(scores) & (scores < 50)
lo, hi = scores[ordinary].min(), scores[ordinary].max()
level = np.where(ordinary, (scores - lo) / (hi - lo), 1.0).reshape(height, width)
picture = (np.stack([level, np.zeros_like(level), 1 - level], -1) * 255).astype(np.uint8)
out = Path(sys.argv[1] if len(sys.argv) > 1 else ".") / "position_map.png"
velmora.write_png(out, picture)
best = np.unravel_index(np.argmin(np.where(ordinary, scores, np.inf)), (height, width))
print(f"wrote {out}; best at azimuth {az[best]:.2f}, altitude {alt[best]:.2f}")
