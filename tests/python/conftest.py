import json
import os
import subprocess

import pytest
import velmora


@pytest.fixture(scope="session")
def demo():
    """The demo's point pairs and the pose they were seen from."""
    p1, p2 = velmora.load_vector_data(velmora.data_file("demo.dtx"))
    return p1, p2, velmora.Camera(azimuth=0.6, altitude=-0.2)


@pytest.fixture(scope="session")
def cli():
    """Runs velmora-cli in the data folder and returns its JSON."""

    def run(*args):
        out = subprocess.run([os.environ["VELMORA_CLI"], *args], capture_output=True,
                             text=True, check=True, cwd=velmora.data_file("demo.dtx").parent)
        return json.loads(out.stdout)

    return run
