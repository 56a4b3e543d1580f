"""What the distributions carry besides the code: the licence, in the wheel and in the sdist."""

import importlib.metadata
import os
import tarfile
from pathlib import Path

ROOT = Path(__file__).resolve().parents[1]
LICENSE_TEXT = (ROOT / "LICENSE").read_text(encoding="utf-8")


def test_the_installed_wheel_carries_the_license():
    distribution = importlib.metadata.distribution("pivolet")
    licences = [file for file in distribution.files or () if file.name == "LICENSE"]
    assert len(licences) == 1
    assert licences[0].read_text(encoding="utf-8") == LICENSE_TEXT
    assert distribution.metadata["License"] == "MIT"


def test_the_sdist_carries_the_license(tmp_path, monkeypatch):
    from scikit_build_core.build import build_sdist

    monkeypatch.chdir(ROOT)
    archive = tmp_path / build_sdist(os.fspath(tmp_path))
    with tarfile.open(archive) as sdist:
        (member,) = [name for name in sdist.getnames() if name.endswith("/LICENSE") and name.count("/") == 1]
        assert sdist.extractfile(member).read().decode("utf-8") == LICENSE_TEXT
