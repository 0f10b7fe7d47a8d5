"""The demo's error over every position of the second camera, as a picture: azimuth from
-pi to pi across, altitude from pi/2 (top) to -pi/2 down, blue for a good pose, red for a
bad one. Written as position_map.png with nothing but numpy and the standard library.

    python3 position_map_image.py [OUTPUT_FOLDER]
"""

import struct
import sys
import zlib
from pathlib import Path

import numpy as np
import velmora


def write_png(path, rgb):
    """rgb: H x W x 3 uint8."""
    rows = b"".join(b"\0" + row.tobytes() for row in rgb)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(
            ">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", rgb.shape[1], rgb.shape[0], 8, 2, 0, 0, 0)
    Path(path).write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                           chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


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
write_png(out, picture)
best = np.unravel_index(np.argmin(np.where(ordinary, scores, np.inf)), (height, width))
print(f"wrote {out}; best at azimuth {az[best]:.2f}, altitude {alt[best]:.2f}")
