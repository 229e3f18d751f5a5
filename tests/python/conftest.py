"""The tests' state: a folder of their own (VODEX_HOME, set before the module is used) with the
random generator and the balance driver installed, and the build's programs."""
import os
import subprocess
import tempfile

import pytest

BUILD = os.environ["VODEX_BUILD"]
HOME = tempfile.mkdtemp(prefix="vodex-python-")
os.environ["VODEX_HOME"] = HOME
for driver in ("Vodex_Randomizer", "Vodex_Balance"):
    subprocess.run([os.path.join(BUILD, "bin", "vodex"), "install", "--quiet",
                    os.path.join(BUILD, "lib", driver + ".so")], check=True)


@pytest.fixture
def balance_port():
    """A virtual balance weighing 42.5 g on port 7, for as long as the test runs."""
    link = os.path.join(HOME, "waage")
    sim = subprocess.Popen([os.path.join(BUILD, "bin", "vodex-sim"), "balance", "--link", link,
                            "--weight", "42.5"], stdout=subprocess.PIPE, text=True)
    sim.stdout.readline()  # it says where it listens once it does
    subprocess.run([os.path.join(BUILD, "bin", "vodex"), "ports", "set", "7", link], check=True)
    yield 7
    sim.terminate()
    sim.wait()
