"""The output protocols `play` can send with, one module each, and the opening of a show's outputs.

Adding a protocol is one module beside these, offering one object of the shape of
`protocol.OutputProtocol`, and one entry in OUTPUTS: the show file, the command line and the
opening of outputs all go through this list.
"""

from __future__ import annotations

import dataclasses
from typing import TYPE_CHECKING, Any

from pivolet_show.show.dmx.patch import UniverseNumbering
from pivolet_show.show.file_table import ShowFileError, problem_at
from pivolet_show.show.outputs import artnet, osc, sacn
from pivolet_show.show.outputs.protocol import Output, OutputProtocol

if TYPE_CHECKING:
    from pivolet_show.show.plan import ShowPlan

# In the order the help lists their flags, a show file's outputs are read and the outputs open.
OUTPUTS: tuple[OutputProtocol, ...] = (osc.PROTOCOL, sacn.PROTOCOL, artnet.PROTOCOL)


def protocol_of(plan: Any) -> OutputProtocol:
    return next(protocol for protocol in OUTPUTS if isinstance(plan, protocol.plan_type))


def dmx_universes() -> UniverseNumbering:
    """Every universe some DMX output numbers: what a show file or the command line may name
    before it is known which output will carry it (each output checks its own when it opens)."""
    numberings = [protocol.universes for protocol in OUTPUTS if protocol.universes is not None]
    widest = numberings[0]
    for numbering in numberings[1:]:
        widest = widest.widest(numbering)
    return widest


def open_outputs(plan: ShowPlan) -> list[Output]:
    """The plan's outputs, ready to send: each output's fixtures checked, hosts resolved and
    sockets bound. On any failure the outputs opened so far are closed again and ValueError says
    what was wrong (for a show read from a file, at the output's table if not at a finer place);
    nothing has been sent."""
    outputs: list[Output] = []
    carried = [numbering for each in plan.outputs if (numbering := protocol_of(each).universes_for(each)) is not None]
    if plan.first_universe is None and carried:
        # Fixtures patched without a universe start at the first universe every DMX output
        # carries, so that each fixture has one universe whichever output sends it.
        plan = dataclasses.replace(plan, first_universe=max(numbering.first for numbering in carried))
    try:
        for each in plan.outputs:
            protocol = protocol_of(each)
            try:
                outputs.append(protocol.open(each, plan))
            except ShowFileError:
                raise
            except ValueError as error:
                if plan.path is None:
                    raise
                raise problem_at(plan.path, protocol.name, str(error)) from None
    except BaseException:
        for output in outputs:
            output.close()
        raise
    return outputs
