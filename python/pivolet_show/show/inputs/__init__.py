"""The input protocols that can reach a running show, one module each, registered in INPUTS in the
same shape as the outputs (see `protocol.InputProtocol`): a sync source that leads the clock (Link or
a MIDI clock), the OSC control port, and the show console in the browser. The keyboard is no protocol of a show: `play` opens it
when it runs in a terminal."""

from __future__ import annotations

from typing import TYPE_CHECKING

from pivolet_show.show.console import protocol as console
from pivolet_show.show.inputs import osc_control, sync
from pivolet_show.show.inputs.protocol import Controls, Input, InputProtocol

if TYPE_CHECKING:
    from pivolet_show.show.plan import ShowPlan

# In the order the help lists their flags, a show file's inputs are read and the inputs open.
INPUTS: tuple[InputProtocol, ...] = (sync.PROTOCOL, osc_control.PROTOCOL, console.PROTOCOL)


def protocol_of(plan: object) -> InputProtocol:
    return next(protocol for protocol in INPUTS if isinstance(plan, protocol.plan_type))


def open_inputs(plan: ShowPlan, controls: Controls) -> list[Input]:
    """The plan's inputs, open and reading; on any failure those opened so far are closed again."""
    inputs: list[Input] = []
    try:
        for each in plan.inputs:
            inputs.append(protocol_of(each).open(each, plan, controls))
    except BaseException:
        for opened in inputs:
            opened.close()
        raise
    return inputs
