"""The type stubs installed beside the module: stubtest finds nothing against the built module,
and a type checker reading them accepts the module's real uses and rejects what the module refuses."""

from __future__ import annotations

import os
import subprocess
import sys
import textwrap
from pathlib import Path

import pytest

import pivolet

MISSING_MYPY = "mypy is needed: python -m pip install mypy"
ALLOWLIST = Path(__file__).with_name("stubtest_allowlist.txt")

# Each line marked "# refused" must be reported by the type checker, and no other line.
USES = textwrap.dedent('''\
    import pivolet

    position: pivolet.Offset3 = pivolet.sample("bounce", 3)
    x: float = position.x
    xyz: tuple[float, float, float] = position.as_tuple()
    name: str = pivolet.catalogue()[0]["name"]
    period: int = pivolet.catalogue()[0]["period_pips"]
    pivolet.bounce(True)
    pivolet.helix(-2147483648)
    pivolet.sample(pip_count=1, name="helix")
    pattern = pivolet.SampledPattern("mine", "A still point.", [(0.0, 0.5, 1), (0, 0, 0)])
    library = pivolet.PatternLibrary([pattern])
    library_default = pivolet.PatternLibrary()
    library.sample("mine", 1).z
    rows: list[dict[str, object]] = [dict(row) for row in library.catalogue()]
    recording = pivolet.SampledRecording("take", ["a", "b"], [[0.0, 1.0]], 120.0, start_pip=4)
    values: list[float] = recording.sample(4)
    bpm: float = recording.bpm
    pivolet.bounce(pip_count=3)  # refused
    pivolet.sample("helix", "3")  # refused
    pivolet.Offset3().x  # refused
    pivolet.SampledPattern("mine", "A still point.", [(0.0, 0.5)], 3)  # refused
    recording.bpm = 90.0  # refused
    position.x = 1.0  # refused
    pivolet.PatternLibrary(None)  # refused
    count: str = pivolet.PIPS_PER_BEAT  # refused
''')


def _mypy_available() -> None:
    try:
        import mypy  # noqa: F401
    except ImportError:
        if os.environ.get("CI") == "true":
            pytest.fail(MISSING_MYPY)
        pytest.skip(MISSING_MYPY)


def test_stub_is_installed_beside_the_module_and_as_a_stub_package():
    module_folder = Path(pivolet.__file__).parent
    beside = module_folder / "pivolet.pyi"
    package = module_folder / "pivolet-stubs" / "__init__.pyi"
    assert beside.is_file() and package.is_file()
    assert beside.read_bytes() == package.read_bytes()


def _run(arguments: list[str], cwd: Path) -> subprocess.CompletedProcess:
    # No search path of our own: the checker must find the installed stubs as any user's would.
    environment = {key: value for key, value in os.environ.items() if key != "MYPYPATH"}
    return subprocess.run([sys.executable, "-m", *arguments], capture_output=True, text=True, env=environment, cwd=cwd)


def test_stubtest_reports_nothing(tmp_path):
    _mypy_available()
    arguments = ["mypy.stubtest", "pivolet"]
    if ALLOWLIST.is_file():
        arguments += ["--allowlist", str(ALLOWLIST)]
    finished = _run(arguments, tmp_path)
    output = finished.stdout + finished.stderr
    assert "error" not in output and "unused allowlist" not in output, output
    assert finished.returncode == 0, output


def test_type_checker_accepts_uses_and_rejects_refused_calls(tmp_path):
    _mypy_available()
    uses = tmp_path / "uses.py"
    uses.write_text(USES, encoding="utf-8")
    finished = _run(["mypy", "--no-incremental", "--strict-optional", str(uses)], tmp_path)
    reported = sorted({int(line.split(":")[1]) for line in finished.stdout.splitlines() if ": error:" in line})
    refused = [number for number, line in enumerate(USES.splitlines(), 1) if line.endswith("# refused")]
    assert reported == refused, finished.stdout
