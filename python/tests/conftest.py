"""Fixtures: a container written by the zel tool's demonstration (the
simulation result writer: analog and digital waveforms over a sweep of three
resistances) and one written here through the package."""
import os
import pathlib
import subprocess
import sys

import pytest

# The package from this checkout, whatever the current directory.
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent.parent))


@pytest.fixture(scope="session")
def demo(tmp_path_factory):
    """The name of the demonstration's container (ZEL_TOOL: the zel tool)."""
    tool = os.environ.get("ZEL_TOOL")
    if not tool:
        pytest.skip("ZEL_TOOL (the zel tool) is not set")
    directory = tmp_path_factory.mktemp("demo")
    subprocess.run([tool, "demo", str(directory)], check=True, stdout=subprocess.DEVNULL)
    return str(directory / "zel-demo")
