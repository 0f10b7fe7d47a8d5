"""Velmora's two-view reconstruction core for scripts and notebooks.

    import velmora
    p1, p2 = velmora.load_vector_data("demo.dtx")
    second = velmora.Camera(azimuth=0.6, altitude=-0.2)
    r = velmora.reconstruct(velmora.Camera(), second, p1, p2)
    print(r.error, r.midpoints.shape)

Arrays are numpy float64; results own their buffers, and float64 C-contiguous inputs are
read in place. Long maps release the GIL and stop on Ctrl-C. Every error takes
error="plain" or "baseline".
"""

from __future__ import annotations

import os
import struct
import zlib
from pathlib import Path

import numpy as np

from ._core import (
    Camera,
    Profile,
    Reconstruction,
    Slice,
    __version__,
    apply_position,
    direction_map,
    import_colmap,
    import_rig,
    load_fst,
    load_position_file,
    load_vector_data,
    position_map,
    profile,
    reconstruct,
    render,
    slice,
)
from . import _core

__all__ = [
    "Camera",
    "Profile",
    "Reconstruction",
    "Slice",
    "apply_position",
    "data_file",
    "data_folders",
    "direction_map",
    "import_colmap",
    "import_rig",
    "load_fst",
    "load_position_file",
    "load_vector_data",
    "position_map",
    "profile",
    "reconstruct",
    "render",
    "slice",
    "write_png",
]


def data_folders() -> list[Path]:
    """Where the sample data (cols.fcd, the sample spheres, demo files) is looked for after
    the current directory: VELMORA_DATA, the installed PREFIX/share/velmora, then the
    build's velmora-data folder."""
    here = Path(__file__).resolve().parent
    folders = [Path(os.environ["VELMORA_DATA"])] if os.environ.get("VELMORA_DATA") else []
    # Installed: PREFIX/lib/python3/dist-packages/velmora; built: build/python/velmora.
    folders += [here.parents[3] / "share" / "velmora", here.parents[1] / "velmora-data"]
    return [f for f in folders if f.is_dir()]


def data_file(name: str) -> Path:
    """The path of a sample data file ("demo.dtx", "sphere1K.fsd"): the current directory
    first, then data_folders(). Raises FileNotFoundError naming the folders searched."""
    for folder in [Path.cwd(), *data_folders()]:
        if (folder / name).is_file():
            return folder / name
    searched = ", ".join(str(f) for f in [Path.cwd(), *data_folders()])
    raise FileNotFoundError(f"{name} is in none of: {searched}")


def write_png(path: str | os.PathLike[str], image: np.ndarray) -> None:
    """Saves an H x W x 3 uint8 picture (as render gives it) as an RGB PNG."""
    image = np.ascontiguousarray(image)
    if image.dtype != np.uint8 or image.ndim != 3 or image.shape[2] != 3:
        raise ValueError(f"image: expected an H x W x 3 uint8 array, got {image.dtype} "
                         f"{image.shape}")
    rows = b"".join(b"\0" + row.tobytes() for row in image)  # filter 0 on every row

    def chunk(kind: bytes, data: bytes) -> bytes:
        crc = struct.pack(">I", zlib.crc32(kind + data))
        return struct.pack(">I", len(data)) + kind + data + crc

    header = struct.pack(">IIBBBBB", image.shape[1], image.shape[0], 8, 2, 0, 0, 0)
    Path(path).write_bytes(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                           chunk(b"IDAT", zlib.compress(rows)) + chunk(b"IEND", b""))


_core._set_data_folders([str(f) for f in data_folders()])
