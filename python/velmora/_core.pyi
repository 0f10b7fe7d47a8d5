import os

import numpy
import numpy.typing

__version__: str

class Camera:
    azimuth: float
    altitude: float
    rotation: float
    focal_length: float
    distance: float
    pan: float
    tilt: float
    def __init__(
        self,
        *,
        azimuth: float = 0.0,
        altitude: float = 0.0,
        rotation: float = 0.0,
        focal_length: float = 10.0,
        distance: float = 50.0,
        pan: float = 0.0,
        tilt: float = 0.0,
    ) -> None: ...
    @property
    def position(self) -> numpy.ndarray: ...
    @property
    def plane_corners(self) -> numpy.ndarray: ...
    @property
    def orbit_matrix(self) -> numpy.ndarray: ...
    @property
    def look_matrix(self) -> numpy.ndarray: ...
    def __eq__(self, other: object) -> bool: ...

class Reconstruction:
    @property
    def error(self) -> float: ...
    @property
    def error_kind(self) -> str: ...
    @property
    def midpoints(self) -> numpy.ndarray: ...
    @property
    def ray_points(self) -> numpy.ndarray: ...
    @property
    def gaps(self) -> numpy.ndarray: ...
    @property
    def points1(self) -> numpy.ndarray: ...
    @property
    def points2(self) -> numpy.ndarray: ...

def reconstruct(
    first: Camera,
    second: Camera,
    points1: numpy.typing.ArrayLike,
    points2: numpy.typing.ArrayLike,
    skip_negative: bool = False,
    error: str = "plain",
) -> Reconstruction: ...
def position_map(
    first: Camera,
    second: Camera,
    points1: numpy.typing.ArrayLike,
    points2: numpy.typing.ArrayLike,
    vertices: numpy.typing.ArrayLike,
    *,
    error: str = "plain",
    skip_negative: bool = False,
    threads: int = 0,
) -> numpy.ndarray: ...
def direction_map(
    first: Camera,
    second: Camera,
    points1: numpy.typing.ArrayLike,
    points2: numpy.typing.ArrayLike,
    vertices: numpy.typing.ArrayLike,
    *,
    view: str = "first",
    error: str = "plain",
    skip_negative: bool = False,
    threads: int = 0,
) -> numpy.ndarray: ...
class Profile:
    @property
    def view(self) -> int: ...
    @property
    def param(self) -> str: ...
    @property
    def error_kind(self) -> str: ...
    @property
    def current(self) -> float: ...
    @property
    def offset(self) -> numpy.ndarray: ...
    @property
    def value(self) -> numpy.ndarray: ...
    @property
    def error(self) -> numpy.ndarray: ...
    @property
    def rejected(self) -> numpy.ndarray: ...

class Slice(Profile):
    @property
    def view2(self) -> int: ...
    @property
    def param2(self) -> str: ...
    @property
    def current2(self) -> float: ...
    @property
    def offset2(self) -> numpy.ndarray: ...
    @property
    def value2(self) -> numpy.ndarray: ...

def profile(
    first: Camera,
    second: Camera,
    points1: numpy.typing.ArrayLike,
    points2: numpy.typing.ArrayLike,
    *,
    view: int = 2,
    param: str = "azimuth",
    range: float = 0.5,
    steps: int = 201,
    error: str = "plain",
    skip_negative: bool = False,
    threads: int = 0,
) -> Profile: ...
def slice(
    first: Camera,
    second: Camera,
    points1: numpy.typing.ArrayLike,
    points2: numpy.typing.ArrayLike,
    *,
    param2: str,
    view: int = 2,
    param: str = "azimuth",
    view2: int | None = None,
    range: float = 0.5,
    range2: float | None = None,
    steps: int = 101,
    steps2: int | None = None,
    error: str = "plain",
    skip_negative: bool = False,
    threads: int = 0,
) -> Slice: ...
def import_rig(
    rig: str | os.PathLike[str] | list[str | os.PathLike[str]],
    matches: str | os.PathLike[str],
    *,
    pixel_origin: float = 0.0,
) -> tuple[Camera, Camera, numpy.ndarray, numpy.ndarray]: ...
def import_colmap(
    dir: str | os.PathLike[str], *, images: tuple[int, int]
) -> tuple[Camera, Camera, numpy.ndarray, numpy.ndarray]: ...
def load_vector_data(path: str | os.PathLike[str]) -> tuple[numpy.ndarray, numpy.ndarray]: ...
def load_position_file(path: str | os.PathLike[str]) -> numpy.ndarray: ...
def apply_position(
    targets: numpy.typing.ArrayLike, first: Camera = ..., second: Camera = ...
) -> tuple[Camera, Camera]: ...
def load_fst(
    path: str | os.PathLike[str],
) -> tuple[numpy.ndarray, list[numpy.ndarray], numpy.ndarray]: ...
def render(
    first: Camera,
    second: Camera,
    points1: numpy.typing.ArrayLike | None = None,
    points2: numpy.typing.ArrayLike | None = None,
    *,
    fst: str | os.PathLike[str] | None = None,
    width: int = 640,
    height: int = 480,
    observer: tuple[float, float, float, float, float, float, float] | None = None,
    main_sphere: int = 0,
    white: bool = False,
    alpha: float = 0.5,
) -> numpy.ndarray: ...
def _set_data_folders(folders: list[str]) -> None: ...
