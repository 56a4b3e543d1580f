"""Aiming heads at points: the beam passes through the point, heads follow a figure without
flipping, and points out of reach are held at the nearest aim the head reaches."""

import numpy as np
import pytest

from pivolet_show.show.aim import Aim, Heads, aim, beam_directions, follow, follow_from_best_start, largest_steps, metres
from pivolet_show.show.placement import Stage

# Heads hung at several places and yaws, with the travel of common heads (and one of 630 degrees).
HEADS = Heads.of([[-4, -3, 6], [4, -3, 6.5], [0, 5, 7], [-2, 2, 5.5]], [0, 90, -135, 17.5],
                 [(-270, 270), (-270, 270), (-315, 315), (-220, 220)], [(-135, 135), (-135, 135), (-135, 135), (-153, 153)])


def misses(heads, found, points):
    """How far each point lies from its head's beam (a ray, so a point behind the head misses by
    its whole distance)."""
    direction = beam_directions(found.pan, found.tilt, heads.yaws)
    offset = points - heads.positions
    along = np.maximum((offset * direction).sum(axis=-1), 0.0)
    return np.linalg.norm(offset - along[..., None] * direction, axis=-1)


def test_the_stage_box_maps_the_motion_cube_linearly():
    stage = Stage.from_lists([[-5, 5], [0, 8], [0.5, 0.5]])
    assert metres(stage, np.array([[-1, -1, -1], [1, 1, 1], [0, 0.5, 0]])).tolist() == [
        [-5, 0, 0.5], [5, 8, 0.5], [0, 6, 0.5]]


@pytest.mark.parametrize("bad", [[[0, 1], [0, 1]], [[1, 0], [0, 1], [0, 1]], [[0, 1], [0, "1"], [0, 1]],
                                 [[0, float("nan")], [0, 1], [0, 1]]])
def test_a_stage_is_three_ordered_pairs_of_finite_numbers(bad):
    with pytest.raises(ValueError, match="a stage is"):
        Stage.from_lists(bad)


@pytest.mark.parametrize("seed", range(4))
def test_random_points_in_the_stage_are_hit_from_every_head(seed):
    rng = np.random.default_rng(seed)
    points = rng.uniform([-6, -6, 0], [6, 6, 3], (500, len(HEADS.yaws), 3))
    found = follow(HEADS, points)
    assert found.reached.all()
    assert misses(HEADS, found, points).max() < 1e-9
    assert (found.pan >= HEADS.pan_reach[:, 0]).all() and (found.pan <= HEADS.pan_reach[:, 1]).all()


def figure(name, steps=2000):
    """A path past the heads (steps, 3): a circle round the room that encircles the fourth head, a
    line passing straight under the first head, a figure eight in front of the third."""
    angle = np.linspace(0, 2 * np.pi, steps)
    if name == "circle":
        return np.stack([5 * np.cos(angle), 5 * np.sin(angle), np.ones(steps)], axis=1)
    if name == "under":
        return np.stack([np.linspace(-8, 0, steps), np.full(steps, -3.0), np.zeros(steps)], axis=1)
    return np.stack([1.5 + 3 * np.sin(angle), 4 + 2 * np.sin(2 * angle), np.full(steps, 2.0)], axis=1)


@pytest.mark.parametrize("name", ["circle", "under", "eight"])
def test_heads_follow_a_figure_without_flipping(name):
    path = figure(name)
    points = np.repeat(path[:, None, :], len(HEADS.yaws), axis=1)
    found = follow_from_best_start(HEADS, points)
    assert found.reached.all() and misses(HEADS, found, points).max() < 1e-9
    # Pan and tilt change as smoothly as the point moves: not one step of 180 degrees, even for the
    # head the circle goes round, whose 440 degrees of pan just take the whole turn.
    assert largest_steps(found, looping=False).max() < 2


def test_a_point_straight_below_keeps_the_pan():
    head = Heads.of([[0, 0, 6]], [0], [(-270, 270)], [(-135, 135)])
    found = aim(head, np.array([[0.0, 0.0, 0.0]]), np.array([[123.0, 40.0]]))
    assert (found.pan[0], found.tilt[0], found.reached[0]) == (123.0, 0.0, True)


@pytest.mark.parametrize("point, pan, tilt", [
    ([0.0, 0.0, 9.0], 10.0, 60.0),        # straight above: the pan it had, tilted as far as it goes
    ([3.0, 0.0, 9.0], 0.0, 60.0),         # above to its +x: turned towards it, at the tilt limit
    ([0.0, -3.0, 6.0], 90.0, -60.0),      # level with it, to its -y: the nearer of two equal aims
])
def test_a_point_out_of_reach_is_held_at_the_nearest_aim(point, pan, tilt):
    head = Heads.of([[0, 0, 6]], [0], [(-270, 270)], [(-60, 60)])
    found = aim(head, np.array([point]), np.array([[10.0, 0.0]]))
    assert not found.reached[0]
    assert (found.pan[0], found.tilt[0]) == pytest.approx((pan, tilt))


def test_a_narrow_pan_reaches_behind_by_tilting_the_other_way():
    head = Heads.of([[0, 0, 6]], [0], [(-90, 90)], [(-135, 135)])
    found = aim(head, np.array([[-3.0, 0.0, 0.0]]), head.home())
    assert found.reached[0] and (found.pan[0], found.tilt[0]) == pytest.approx((0.0, -np.degrees(np.arctan2(3, 6))))


AIMED_CUES = """
launch = "beat"
[[groups]]
name = "heads"
aim = true
stage = [[-4, 4], [-3, 3], [0, 2.5]]
fixtures = [{ position = [-4, -5, 6], yaw = 90 }, { position = [4, 5, 6.5], yaw = -90 }]
[[cues]]
name = "circle"
groups.heads = { source = "circle" }
[[cues]]
name = "helix"
groups.heads = { source = "helix", fade = 1, size = 0.5 }
[[cues]]
name = "home"
groups.heads = { home = true, fade = 1 }
"""


def test_heads_aim_through_blends_sizes_and_the_centre_as_a_pure_function_of_the_pip(tmp_path):
    from pivolet_show.show.clock import PipReading
    from pivolet_show.show.rig import Rig
    from pivolet_show.show.show_file import load_rig_file

    path = tmp_path / "cues.toml"
    path.write_text(AIMED_CUES)
    plan = load_rig_file(path)

    def played(pips):
        rig = Rig.of_plan(plan)
        rig.timeline.launch_cue(1, 64, 0)
        rig.timeline.launch_cue(2, 256, 0)
        return {pip: rig.frame(PipReading(pip, 0.0)) for pip in pips}

    pips = list(range(0, 400, 3))
    frames = played(pips)
    placements = [fixture.aim for fixture in plan.fixtures]
    heads = Heads.placed(placements)
    points = np.stack([metres(placements[0].stage, frames[pip].positions) for pip in pips])
    found = Aim(np.stack([frames[pip].aims[:, 0] for pip in pips]), np.stack([frames[pip].aims[:, 1] for pip in pips]), None)
    # The beam passes through the point the fixture is given, in the circle, across the fade to a
    # smaller helix, and on the way home; and the heads' aims do not depend on the pips read before.
    assert misses(heads, found, points).max() < 1e-6
    for pip, frame in played(reversed(pips)).items():
        assert np.array_equal(frame.aims, frames[pip].aims)
    # Before any launch the aims are those of the circle's table, pip for pip.
    table_aims, _ = Rig(plan.fixtures).aims(plan.fixtures[0].source)
    assert np.array_equal(frames[30].aims, np.stack([table_aims.pan[30], table_aims.tilt[30]], axis=1))
