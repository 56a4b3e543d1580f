"""The input protocols that can reach a running show, one module each, registered in INPUTS in the
same shape as the outputs (see `protocol.InputProtocol`): none yet."""

from __future__ import annotations

from pivolet_show.show.inputs.protocol import Controls, Input, InputProtocol
from pivolet_show.show.plan import ShowPlan

INPUTS: tuple[InputProtocol, ...] = ()


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
