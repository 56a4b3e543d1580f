// x, y and z against the pip, one lane each, over one loop: a line at every beat, a darker one at
// every bar, beat numbers thinned where they would overlap, and a playhead that follows the point.
// At true scale a lane spans the module's whole range [-1, 1]; fitted, the loop's largest
// magnitude on any axis, the same for all three lanes, as in the draw command's picture.
"use strict";

(function () {
  const settings = window.PIVOLET_SETTINGS;
  const PIPS_PER_BEAT = settings.pipsPerBeat;
  const BEATS_PER_BAR = settings.beatsPerBar;
  const SVG = "http://www.w3.org/2000/svg";
  const AXES = [["x", "#d1495b"], ["y", "#2e933c"], ["z", "#3066be"]];
  const LEFT = 40, RIGHT_MARGIN = 10, TOP = 22, LANE_HEIGHT = 124, LANE_GAP = 14, LABEL_GAP = 16;
  const LABEL_WIDTH_PER_CHARACTER = 6.5;
  const LABEL_HEIGHT = 11;

  function element(name, attributes, parent) {
    const made = document.createElementNS(SVG, name);
    for (const [key, value] of Object.entries(attributes)) made.setAttribute(key, String(value));
    if (parent) parent.appendChild(made);
    return made;
  }

  const number = (value) => String(Math.round(value * 100) / 100);

  function extentOf(points, trueScale) {
    if (trueScale) return 1;
    const peak = Math.max(...points.map((point) => Math.max(...point.map(Math.abs))));
    return Math.max(settings.minFitExtent, peak);
  }

  function createTimeView(svg) {
    const [, , width] = svg.getAttribute("viewBox").split(" ").map(Number);
    const right = width - RIGHT_MARGIN;
    let shown = null;

    return {
      show(pattern, trueScale) {
        svg.replaceChildren();
        const period = pattern.periodPips;
        const extent = extentOf(pattern.points, trueScale);
        const x = (pip) => LEFT + (right - LEFT) * pip / period;
        const lanesBottom = TOP + AXES.length * LANE_HEIGHT + (AXES.length - 1) * LANE_GAP;
        svg.dataset.extent = String(extent);

        const lanes = AXES.map(([axis, colour], index) => {
          const top = TOP + index * (LANE_HEIGHT + LANE_GAP);
          const middle = top + LANE_HEIGHT / 2;
          const y = (value) => middle - value / extent * LANE_HEIGHT / 2;
          const group = element("g", { class: "lane", "data-axis": axis }, svg);
          element("rect", { class: "lane-frame", x: LEFT, y: top, width: right - LEFT, height: LANE_HEIGHT }, group);
          element("line", { class: "zero", x1: LEFT, x2: right, y1: middle, y2: middle }, group);
          element("text", { class: "axis", x: LEFT - 8, y: middle + 4, fill: colour, "text-anchor": "end" }, group).textContent = axis;
          element("text", { class: "extent", x: LEFT - 4, y: top + 9, "text-anchor": "end" }, group).textContent = `+${number(extent)}`;
          element("text", { class: "extent", x: LEFT - 4, y: top + LANE_HEIGHT, "text-anchor": "end" }, group).textContent = `−${number(extent)}`;
          return { index, colour, y, group };
        });

        // The grid goes over the lanes' frames and under their lines.
        const grid = element("g", { class: "grid" }, svg);
        const labels = [];
        for (let pip = 0, beat = 1; pip < period; pip += PIPS_PER_BEAT, beat++) {
          const startsBar = (beat - 1) % BEATS_PER_BAR === 0;
          element("line", { class: startsBar ? "bar" : "beat", x1: x(pip), x2: x(pip), y1: TOP, y2: lanesBottom }, grid);
          const text = String(beat);
          const labelWidth = text.length * LABEL_WIDTH_PER_CHARACTER;
          labels.push({ beat, startsBar, text, x: x(pip),
                        box: [x(pip) - labelWidth / 2, lanesBottom + LABEL_GAP - LABEL_HEIGHT, labelWidth + 2, LABEL_HEIGHT] });
        }
        element("line", { class: "bar", x1: right, x2: right, y1: TOP, y2: lanesBottom }, grid);
        const labelGroup = element("g", { class: "beat-labels" }, svg);
        for (const label of window.pivoletShow.thinLabels(labels)) {
          element("text", { x: label.x, y: lanesBottom + LABEL_GAP, "text-anchor": "middle" }, labelGroup).textContent = label.text;
        }
        element("text", { class: "caption", x: right, y: TOP - 8, "text-anchor": "end" }, svg).textContent =
          `one loop: ${period} pips, ${period / PIPS_PER_BEAT} beats; a line at every beat, darker at every bar of ${BEATS_PER_BAR}`;

        for (const lane of lanes) {
          const points = [];
          for (let pip = 0; pip <= period; pip++) {
            points.push(`${x(pip)},${lane.y(pattern.points[pip % period][lane.index])}`);
          }
          const polyline = element("polyline", { class: "lane-line", points: points.join(" "), stroke: lane.colour }, svg);
          polyline.dataset.axis = lane.group.dataset.axis;
          lane.dot = element("circle", { class: "lane-dot", r: 4, fill: lane.colour, cx: LEFT, cy: lane.y(0) }, svg);
        }
        const playhead = element("line", { id: "playhead", x1: LEFT, x2: LEFT, y1: TOP - 4, y2: lanesBottom + 4 }, svg);
        shown = { pattern, x, lanes, playhead };
      },

      // Moves the playhead to a pip within the loop.
      setPip(pip) {
        const { pattern, x, lanes, playhead } = shown;
        const at = x(pip);
        playhead.setAttribute("x1", at);
        playhead.setAttribute("x2", at);
        playhead.dataset.pip = String(pip);
        for (const lane of lanes) {
          lane.dot.setAttribute("cx", at);
          lane.dot.setAttribute("cy", lane.y(pattern.points[pip][lane.index]));
        }
      },
    };
  }

  window.pivoletShow = Object.assign(window.pivoletShow || {}, { createTimeView });
})();
