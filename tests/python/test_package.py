import ast
import inspect
import os
import re
import subprocess
import sys
from pathlib import Path

import velmora
from velmora import _core


def split_top(text):
    parts, depth, start = [], 0, 0
    for i, c in enumerate(text):
        depth += c in "[(" and 1 or c in "])" and -1 or 0
        if c == "," and depth == 0:
            parts.append(text[start:i].strip())
            start = i + 1
    return parts + [text[start:].strip()] if text.strip() else parts


def bound_signature(obj, name):
    """Parameter names of the first signature pybind11 wrote into the docstring, with '*'
    for the keyword-only marker and '=' after those that have a default."""
    head = re.match(rf"{name}\((.*)\) ->", obj.__doc__.splitlines()[0]).group(1)
    params = []
    for p in split_top(head):
        params.append(p if p == "*" else p.split(":")[0].strip() + ("=" if "=" in p else ""))
    return [p for p in params if p != "self"]


def stub_signature(node):
    a = node.args
    plain = [x.arg for x in a.posonlyargs + a.args]
    params = [p + "=" * (i >= len(plain) - len(a.defaults)) for i, p in enumerate(plain)]
    if a.kwonlyargs:
        params.append("*")
        params += [x.arg + "=" * (d is not None) for x, d in zip(a.kwonlyargs, a.kw_defaults)]
    return [p for p in params if p != "self"]


def test_stub_matches_the_module():
    stub = ast.parse((Path(_core.__file__).parent / "_core.pyi").read_text())
    functions = {n.name: n for n in stub.body if isinstance(n, ast.FunctionDef)}
    classes = {n.name: n for n in stub.body if isinstance(n, ast.ClassDef)}
    bound = {n: v for n, v in vars(_core).items() if not n.startswith("__")}
    assert set(functions) | set(classes) == {n for n, v in bound.items() if callable(v)}
    for name, node in functions.items():
        assert stub_signature(node) == bound_signature(bound[name], name), name
    for name, node in classes.items():
        cls = bound[name]
        members = {n.target.id for n in node.body if isinstance(n, ast.AnnAssign)}
        members |= {n.name for n in node.body if isinstance(n, ast.FunctionDef) and
                    any(getattr(d, "id", "") == "property" for d in n.decorator_list)}
        methods = {n.name: n for n in node.body
                   if isinstance(n, ast.FunctionDef) and n.name not in members}
        own = {n for n, v in vars(cls).items()
               if not n.startswith("_") and (isinstance(v, property) or callable(v))}
        assert members | set(methods) - {"__init__", "__eq__"} == own, name
        for method, fn in methods.items():
            if method != "__eq__":
                assert stub_signature(fn) == bound_signature(getattr(cls, method), method)
    assert set(velmora.__all__) <= set(dir(velmora))
    assert (Path(velmora.__file__).parent / "py.typed").exists()


def test_examples_run_and_find_the_true_pose(tmp_path):
    examples = Path(os.environ["VELMORA_SOURCE_DIR"]) / "docs" / "examples"
    said = {}
    for script in sorted(examples.glob("*.py")):
        run = subprocess.run([sys.executable, script, str(tmp_path)], capture_output=True,
                             text=True, timeout=120)
        assert run.returncode == 0, run.stderr
        said[script.name] = run.stdout
    # The demo was made with the second camera at azimuth 0.6, altitude -0.2.
    assert said["error_along_azimuth.py"].endswith("best azimuth 0.60\n")
    assert "best at azimuth 0.59, altitude -0.19" in said["position_map_image.py"]
    png = (tmp_path / "position_map.png").read_bytes()
    assert png.startswith(b"\x89PNG") and len(png) > 1000
