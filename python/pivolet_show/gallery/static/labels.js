// Beat labels that would overlap are thinned: bar starts are placed first, then the other beats in
// order, and a label is left out when its box would touch one already placed, as in the draw
// command's picture.
"use strict";

(function () {
  // Labels are {beat, startsBar, box: [left, top, width, height], ...}; returns those kept.
  function thinLabels(labels) {
    const ordered = labels.slice().sort((a, b) => (b.startsBar - a.startsBar) || (a.beat - b.beat));
    const kept = [];
    const overlaps = (a, b) => a[0] < b[0] + b[2] && b[0] < a[0] + a[2] && a[1] < b[1] + b[3] && b[1] < a[1] + a[3];
    for (const label of ordered) {
      if (!kept.some((other) => overlaps(label.box, other.box))) kept.push(label);
    }
    return kept;
  }

  window.pivoletShow = Object.assign(window.pivoletShow || {}, { thinLabels });
})();
