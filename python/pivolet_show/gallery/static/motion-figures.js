// How far, how fast and how sharply a loop moves, measured from its samples: the same figures as
// the show tool's motion_figures module gives a looping pattern, from the same doubles with the same
// operations in the same order, so that the page and the picture give identical numbers. Keep the
// two in step.
"use strict";

(function () {
  const settings = window.PIVOLET_SETTINGS;
  const SECONDS_PER_MINUTE = 60;
  const SIGNIFICANT_DIGITS = 3;
  const PEAK_DECIMALS = 3;
  const AXES = ["x", "y", "z"];

  const pipsPerSecond = (bpm) => bpm / SECONDS_PER_MINUTE * settings.pipsPerBeat;

  // Written out rather than Math.hypot, whose rounding differs between engines.
  const length = (dx, dy, dz) => Math.sqrt(dx * dx + dy * dy + dz * dz);

  function measure(points) {
    const period = points.length;
    const peak = [0, 1, 2].map((axis) => Math.max(...points.map((point) => Math.abs(point[axis]))));
    const steps = points.map((here, pip) => {
      const next = points[(pip + 1) % period];
      return [next[0] - here[0], next[1] - here[1], next[2] - here[2]];
    });
    let largestStep = 0, largestStepPip = 0, largestChange = 0, largestChangePip = 0;
    for (let pip = 0; pip < period; pip++) {
      const step = steps[pip];
      const stepLength = length(step[0], step[1], step[2]);
      if (stepLength > largestStep) { largestStep = stepLength; largestStepPip = pip; }
      const before = steps[(pip - 1 + period) % period];
      const change = length(step[0] - before[0], step[1] - before[1], step[2] - before[2]);
      if (change > largestChange) { largestChange = change; largestChangePip = pip; }
    }
    return {
      periodPips: period,
      peak,
      largestStep,
      largestStepPip,
      largestStepChange: largestChange,
      largestStepChangePip: largestChangePip,
      beats: period / settings.pipsPerBeat,
      bars: period / settings.pipsPerBeat / settings.beatsPerBar,
      largestSpeed: (bpm) => largestStep * pipsPerSecond(bpm),
      largestAcceleration(bpm) {
        const rate = pipsPerSecond(bpm);
        return largestChange * rate * rate;
      },
    };
  }

  // As Python's "g" format: six significant digits, no trailing zeros.
  const general = (value) => String(Number(value.toPrecision(6)));

  function significant(value, digits = SIGNIFICANT_DIGITS) {
    if (value === 0) return "0";
    const decimals = Math.max(0, digits - 1 - Math.floor(Math.log10(Math.abs(value))));
    return value.toFixed(decimals);
  }

  const count = (value, unit) => `${general(value)} ${unit}${value === 1 ? "" : "s"}`;

  function describe(figures, bpm) {
    const peaks = AXES.map((axis, i) => `${axis} ${figures.peak[i].toFixed(PEAK_DECIMALS)}`).join("  ");
    return [
      `Loop: ${figures.periodPips} pips = ${count(figures.beats, "beat")} = `
        + `${count(figures.bars, "bar")} of ${settings.beatsPerBar} beats`,
      `Peak: ${peaks}`,
      `Largest step: ${significant(figures.largestStep)} per pip (from pip ${figures.largestStepPip})`,
      `At ${general(bpm)} BPM: largest speed ${significant(figures.largestSpeed(bpm))} units/s `
        + `(from pip ${figures.largestStepPip}), largest acceleration `
        + `${significant(figures.largestAcceleration(bpm))} units/s² (at pip ${figures.largestStepChangePip})`,
    ];
  }

  window.pivoletShow = Object.assign(window.pivoletShow || {}, {
    motionFigures: { measure, describe, pipsPerSecond },
  });
})();
