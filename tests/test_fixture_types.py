"""Fixture types read from GDTF and QLC+ files: hand-written ones in tests/fixture_types, and real
heads from Debian's qlcplus-data: slots, footprint, travel, defaults, and one message per bad file."""

import zipfile
from pathlib import Path

import pytest

from pivolet_show.show.fixture_types import load_fixture_type

HERE = Path(__file__).parent / "fixture_types"
LIBRARY = Path("/usr/share/qlcplus/fixtures")
GDTF_DESCRIPTION = HERE / "test-spot.description.xml"


def gdtf(folder, description=None, name="test-spot.gdtf"):
    """A .gdtf archive holding `description` (by default the hand-written spot's) as description.xml."""
    path = folder / name
    with zipfile.ZipFile(path, "w") as archive:
        archive.writestr("description.xml", GDTF_DESCRIPTION.read_bytes() if description is None else description)
    return path


def summary(fixture_type):
    """(footprint, pan, tilt, dimmer slots, every slot's starting value)."""
    axes = [None if axis is None else (axis.offsets, axis.degrees, axis.top_speed)
            for axis in (fixture_type.pan, fixture_type.tilt)]
    return fixture_type.footprint, *axes, fixture_type.dimmer, list(fixture_type.defaults())


HAND_WRITTEN = {
    # 16-bit pan with its rotation function beside it and a fade time, reversed tilt, a gap at slot 10.
    ("gdtf", "Extended"): (12, ((0, 1), (-270.0, 270.0), pytest.approx(250.0)), ((2, 3), (135.0, -135.0), None),
                           (4, 5), [128, 0, 128, 128, 0, 0, 255, 128, 128, 7, 0, 255]),
    # No physical range, a channel's own (GDTF 1.0) default, two dimmers: the first drives.
    ("gdtf", "Basic"): (5, ((0,), None, None), ((1,), None, None), (2,), [128, 128, 0, 0, 200]),
    # Presets win over a group-marked spin channel; fine halves far from the coarse ones.
    ("qxf", "Presets"): (8, ((1, 6), (-270.0, 270.0), None), ((2, 7), (-135.0, 135.0), None), (4,),
                         [0, 0, 128, 0, 0, 255, 0, 0]),
    # The group form, slots listed out of order, the mode's own travel, TiltMax 0 for unknown.
    ("qxf", "Groups"): (4, ((0,), (-315.0, 315.0), None), ((2, 3), None, None), (1,), [0, 0, 0, 0]),
}


@pytest.mark.parametrize("kind, mode", sorted(HAND_WRITTEN))
def test_hand_written_profiles_read_right(kind, mode, tmp_path):
    path = gdtf(tmp_path) if kind == "gdtf" else HERE / "test-wash.qxf"
    assert summary(load_fixture_type(path, mode)) == HAND_WRITTEN[kind, mode]


def test_gdtf_channels_are_named_by_attribute_or_by_geometry_where_repeated(tmp_path):
    basic = load_fixture_type(gdtf(tmp_path), "Basic")
    assert list(basic.names()) == ["Pan", "Tilt", "Cell1_Dimmer", "Cell2_Dimmer", "Shutter1"]
    assert basic.channel_named("shutter1").offsets == (4,)
    with pytest.raises(ValueError, match=r"no channel named 'shuter' \(did you mean: Shutter1\?\)"):
        basic.channel_named("shuter")


REAL = {
    ("Martin/Martin-MAC500.qxf", "DMX1"): (12, (10,), (11,), (1,), (-220.0, 220.0), (-153.0, 153.0)),
    ("Martin/Martin-MAC500.qxf", "DMX4"): (16, (10, 11), (12, 13), (1,), (-220.0, 220.0), (-153.0, 153.0)),
    ("Robe/Robe-Robin-Viva-CMY.qxf", "Standard 16 bit"): (32, (0, 1), (2, 3), (30, 31), (-270.0, 270.0), (-135.0, 135.0)),
    ("Evolight/Evolight-Colours-SL3.qxf", "6 Channel"): (6, (0,), (1,), (3,), (-175.0, 175.0), (-52.5, 52.5)),
    ("Eurolite/Eurolite-TMH-30-60-mk2.qxf", "14 channel"): (14, (0, 12), (1, 13), (10,), (-270.0, 270.0), (-135.0, 135.0)),
    ("American_DJ/American-DJ-Vizi-LED-Spot.qxf", "Standard (630 degree Pan)"): (10, (0,), (1,), (7,), (-315.0, 315.0), (-135.0, 135.0)),
}


@pytest.mark.skipif(not LIBRARY.is_dir(), reason="qlcplus-data is not installed (scripts/test-deps.sh installs it)")
@pytest.mark.parametrize("file, mode", sorted(REAL))
def test_real_heads_from_the_fixture_library(file, mode):
    read = load_fixture_type(LIBRARY / file, mode)
    assert (read.footprint, read.pan.offsets, read.tilt.offsets, read.dimmer, read.pan.degrees,
            read.tilt.degrees) == REAL[file, mode]
    if file.startswith("Robe"):
        # Pan and tilt start centred, the shutter open at 32; the rest at 0.
        assert {slot: value for slot, value in enumerate(read.defaults()) if value} == {0: 128, 2: 128, 29: 32}


BAD_QXF = {
    "<FixtureDefinition": "not a QLC+ fixture definition (unclosed token: line 1, column 0)",
    "<Fixture/>": "its root element is <Fixture>, not a QLC+ <FixtureDefinition>",
    '<FixtureDefinition xmlns="http://www.qlcplus.org/FixtureDefinition"><Mode Name="M"><Channel Number="0">Pan'
    "</Channel></Mode></FixtureDefinition>": "mode 'M' uses the channel 'Pan', which the file does not define",
    '<FixtureDefinition xmlns="http://www.qlcplus.org/FixtureDefinition"><Channel Name="Pan"/><Mode Name="M">'
    '<Channel Number="1">Pan</Channel></Mode></FixtureDefinition>': "mode 'M' numbers its channels [1], not 0 to 0 once each",
    '<FixtureDefinition xmlns="http://www.qlcplus.org/FixtureDefinition"><Channel Name="Pan" Default="300"/>'
    '<Mode Name="M"><Channel Number="0">Pan</Channel></Mode></FixtureDefinition>':
        "the channel 'Pan' starts at '300', not a whole number from 0 to 255",
    '<FixtureDefinition xmlns="http://www.qlcplus.org/FixtureDefinition"/>': "the fixture type has no DMX mode",
    # Entities that expand to gigabytes are refused by the parser, not expanded.
    '<!DOCTYPE d [<!ENTITY a "aaaaaaaaaaaaaaaa">' + "".join(
        f'<!ENTITY {chr(98 + k)} "{("&" + chr(97 + k) + ";") * 16}">' for k in range(7)) + ']><d>&h;</d>':
        "not a QLC+ fixture definition (limit on input amplification factor",
}


@pytest.mark.parametrize("text", BAD_QXF)
def test_a_bad_qxf_file_is_one_message_naming_it(text, tmp_path):
    path = tmp_path / "bad.qxf"
    path.write_text(text)
    with pytest.raises(ValueError) as refused:
        load_fixture_type(path, "M")
    assert str(refused.value).startswith(f"{path}: {BAD_QXF[text]}")


BAD_GDTF = {
    "not a zip": "not a GDTF file: a GDTF file is a zip archive holding description.xml",
    "no description": "not a GDTF file: the archive holds no description.xml",
    "broken xml": "its description.xml is not well-formed XML (mismatched tag: line 1, column 21)",
    "unknown mode": "no mode named 'Standard' (modes: 'Extended', 'Basic', 'Two breaks')",
    "no mode chosen": "the fixture type has 3 modes; choose one (modes: 'Extended', 'Basic', 'Two breaks')",
    "two breaks": "mode 'Two breaks' spans 2 DMX breaks; a fixture here takes one run of channels",
    "missing": "cannot read the fixture type (No such file or directory)",
    "wrong suffix": "a fixture type is a .gdtf or .qxf file",
}


@pytest.mark.parametrize("case", BAD_GDTF)
def test_a_bad_gdtf_file_is_one_message_naming_it(case, tmp_path):
    path, mode = gdtf(tmp_path), {"unknown mode": "Standard", "no mode chosen": None, "two breaks": "Two breaks"}.get(case, "Basic")
    if case == "not a zip":
        path.write_bytes(GDTF_DESCRIPTION.read_bytes())
    elif case == "no description":
        with zipfile.ZipFile(path, "w") as archive:
            archive.writestr("model.3ds", b"")
    elif case == "broken xml":
        path = gdtf(tmp_path, b"<GDTF><FixtureType></GDTF>")
    elif case == "missing":
        path = tmp_path / "none.gdtf"
    elif case == "wrong suffix":
        path = path.rename(tmp_path / "spot.zip")
    with pytest.raises(ValueError) as refused:
        load_fixture_type(path, mode)
    assert str(refused.value) == f"{path}: {BAD_GDTF[case]}"
