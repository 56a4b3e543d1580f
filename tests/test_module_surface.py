"""The module's surface: its attributes and their order, Offset3, argument conversion, re-import
and the refusal of any interpreter but 3.10."""

import decimal
import fractions
import glob
import os
import shutil
import subprocess
import sys

import pytest

import pivolet

RUDIMENT_NAMES = [
    "bounce", "sway", "circle", "figure_eight", "step_touch", "box_step", "helix", "tamsel_background",
    "single_stroke_roll", "double_stroke_roll", "multiple_bounce_roll", "single_paradiddle", "flam", "drag",
    "five_stroke_roll",
]
REGISTERED_ORDER = ["PIPS_PER_BEAT", "SampledRecording", "Offset3", "SampledPattern", "PatternLibrary", "sample", "catalogue"] + RUDIMENT_NAMES


def test_documentation_and_constant():
    assert pivolet.__doc__ == "Integer-pip rhythmic position functions"
    assert type(pivolet.PIPS_PER_BEAT) is int and pivolet.PIPS_PER_BEAT == 64


def test_attributes_follow_the_registration_order():
    standard = {"__name__", "__doc__", "__package__", "__loader__", "__spec__", "__file__"}
    assert [name for name in vars(pivolet) if name not in standard] == REGISTERED_ORDER


def test_reimport_returns_the_same_module_and_classes():
    module, offset3 = sys.modules.pop("pivolet"), pivolet.Offset3
    try:
        import pivolet as again

        assert again is module and again.Offset3 is offset3
    finally:
        sys.modules["pivolet"] = module


class TestOffset3:
    def test_no_constructor(self):
        with pytest.raises(TypeError) as raised:
            pivolet.Offset3()
        assert str(raised.value) == "pivolet.Offset3: No constructor defined!"

    @pytest.mark.parametrize("axis", ["x", "y", "z"])
    def test_attributes_are_read_only(self, axis):
        position = pivolet.bounce(0)
        with pytest.raises(AttributeError):
            setattr(position, axis, 0.5)
        assert getattr(position, axis) == position.as_tuple()["xyz".index(axis)]

    def test_as_tuple_and_identity_comparison(self):
        position = pivolet.helix(64)
        values = position.as_tuple()
        assert type(values) is tuple and all(type(v) is float for v in values)
        assert values == (position.x, position.y, position.z)
        assert position.as_tuple() is not values
        assert pivolet.bounce(0) != pivolet.bounce(0)
        assert pivolet.bounce(0).as_tuple() == pivolet.bounce(0).as_tuple()

    @pytest.mark.parametrize("name", RUDIMENT_NAMES)
    def test_every_rudiment_returns_an_offset3(self, name):
        assert type(getattr(pivolet, name)(5)) is pivolet.Offset3


class Index:
    def __init__(self, value):
        self.value = value

    def __index__(self):
        return self.value


class TestPipConversion:
    @pytest.mark.parametrize(
        "argument, pip",
        [(True, 1), (False, 0), (decimal.Decimal(3), 3), (decimal.Decimal("3.9"), 3), (fractions.Fraction(7, 2), 3),
         (Index(5), 5), (-(2**31), -(2**31)), (2**31 - 1, 2**31 - 1)],
    )
    def test_accepted(self, argument, pip):
        assert pivolet.helix(argument).as_tuple() == pivolet.helix(pip).as_tuple()
        assert pivolet.sample("helix", argument).as_tuple() == pivolet.helix(pip).as_tuple()

    @pytest.mark.parametrize("argument", [3.0, "3", 2**31, -(2**31) - 1, None, [3]])
    def test_refused(self, argument):
        with pytest.raises(TypeError):
            pivolet.bounce(argument)
        with pytest.raises(TypeError):
            pivolet.sample("bounce", argument)

    def test_rudiment_pip_is_positional_only(self):
        with pytest.raises(TypeError):
            pivolet.bounce(arg0=3)
        with pytest.raises(TypeError):
            pivolet.bounce()
        with pytest.raises(TypeError):
            pivolet.bounce(1, 2)

    def test_sample_takes_keywords_in_either_order(self):
        expected = pivolet.sway(32).as_tuple()
        assert pivolet.sample(name="sway", pip_count=32).as_tuple() == expected
        assert pivolet.sample(pip_count=32, name="sway").as_tuple() == expected
        assert pivolet.sample(b"sway", 32).as_tuple() == expected


def _other_interpreter():
    candidates = [shutil.which("python3.11")]
    try:
        root = subprocess.run(["pyenv", "root"], capture_output=True, text=True, check=True).stdout.strip()
        candidates += sorted(glob.glob(os.path.join(root, "versions", "3.1[1-9]*", "bin", "python3.1?")))
    except (OSError, subprocess.CalledProcessError):
        pass
    for candidate in candidates:
        if candidate and os.access(candidate, os.X_OK):
            version = subprocess.run([candidate, "-c", "import sys; print(sys.version_info[:2] != (3, 10))"],
                                     capture_output=True, text=True)
            if version.stdout.strip() == "True":
                return candidate
    return None


def test_any_other_interpreter_is_refused(tmp_path):
    interpreter = _other_interpreter()
    if interpreter is None:
        pytest.skip("no Python other than 3.10 is installed")
    shutil.copy(pivolet.__file__, tmp_path / "pivolet.so")
    script = (
        "import sys\n"
        "try:\n"
        "    import pivolet\n"
        "except ImportError as error:\n"
        "    print(repr((str(error), sys.version)))\n"
        "else:\n"
        "    print('imported')\n"
    )
    result = subprocess.run([interpreter, "-c", script], cwd=tmp_path, capture_output=True, text=True, check=True)
    message, version = eval(result.stdout)
    assert message == (
        "Python version mismatch: module was compiled for Python 3.10, but the interpreter version is "
        f"incompatible: {version}."
    )
