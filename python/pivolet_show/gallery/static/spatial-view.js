// The path in space, on a canvas: the oblique projection of the draw command's picture, at true
// scale (the module's [-1, 1] cube fills the view) or fitted to the loop. The path is coloured by
// depth and drawn from far to near with a pale casing, so where it crosses itself the nearer strand
// visibly passes over; beats, the start, the axes and the moving point with its trail go on top.
"use strict";

(function () {
  const settings = window.PIVOLET_SETTINGS;
  const projection = settings.projection;
  const PIPS_PER_BEAT = settings.pipsPerBeat;
  const BEATS_PER_BAR = settings.beatsPerBar;
  const TRAIL_PIPS = PIPS_PER_BEAT;
  const MARGIN = 28;
  const FAR_COLOUR = [31, 59, 115];
  const NEAR_COLOUR = [255, 138, 61];
  const CASING = "rgba(255, 255, 255, 0.9)";
  const CUBE_COLOUR = "#c9ced6";
  const LABEL_FONT = "10px sans-serif";
  const LABEL_HEIGHT = 10;
  const CUBE_CORNERS = [];
  for (const x of [-1, 1]) for (const y of [-1, 1]) for (const z of [-1, 1]) CUBE_CORNERS.push([x, y, z]);

  function project(point) {
    return [point[0] - point[2] * projection.depthDx, point[1] - point[2] * projection.depthDy];
  }

  function depthColour(near, alpha) {
    const mixed = FAR_COLOUR.map((far, i) => Math.round(far + (NEAR_COLOUR[i] - far) * near));
    return `rgba(${mixed[0]}, ${mixed[1]}, ${mixed[2]}, ${alpha})`;
  }

  // As the draw command's picture: the framed box (the cube at true scale, else the loop's own
  // projected bounds) is centred and scaled by one factor; depth is told within the loop's range.
  function frame(points, width, height, trueScale) {
    const middle = (values) => (Math.min(...values) + Math.max(...values)) / 2;
    const span = (values) => Math.max(Math.max(...values) - Math.min(...values), projection.minFitSpan);
    const framed = (trueScale ? CUBE_CORNERS : points).map(project);
    const us = framed.map((p) => p[0]);
    const vs = framed.map((p) => p[1]);
    const zs = points.map((p) => p[2]);
    const uMid = middle(us), vMid = middle(vs), zMid = middle(zs), zSpan = span(zs);
    const scale = Math.min((width - 2 * MARGIN) / span(us), (height - 2 * MARGIN) / span(vs));
    const toScreen = (point) => {
      const [u, v] = project(point);
      return [width / 2 + (u - uMid) * scale, height / 2 - (v - vMid) * scale];
    };
    return {
      scale,
      toScreen,
      screen: points.map(toScreen),
      nearness: (z) => Math.min(1, Math.max(0, (z - zMid) / zSpan + 0.5)),
      zRange: [Math.min(...zs), Math.max(...zs)],
    };
  }

  function line(context, from, to) {
    context.beginPath();
    context.moveTo(from[0], from[1]);
    context.lineTo(to[0], to[1]);
    context.stroke();
  }

  function drawCube(context, toScreen) {
    context.strokeStyle = CUBE_COLOUR;
    context.lineWidth = 1;
    CUBE_CORNERS.forEach((a, i) => {
      // An edge joins two corners that differ on one axis only.
      for (const b of CUBE_CORNERS.slice(i + 1)) {
        if (a.filter((value, axis) => value !== b[axis]).length === 1) line(context, toScreen(a), toScreen(b));
      }
    });
    context.fillStyle = "#8a929e";
    context.font = LABEL_FONT;
    const corner = toScreen([-1, 1, -1]);
    context.fillText("true scale: the [-1, 1] cube", corner[0], corner[1] - 6);
  }

  // Every pip's segment, far ones first; each is cased so that a nearer one cuts those beneath it.
  function drawDepthPath(context, points, view) {
    const period = points.length;
    const hasDepth = view.zRange[1] > view.zRange[0];
    const segments = [];
    for (let pip = 0; pip < period; pip++) {
      const next = (pip + 1) % period;
      segments.push({ pip, next, depth: (points[pip][2] + points[next][2]) / 2 });
    }
    segments.sort((a, b) => a.depth - b.depth);
    for (const segment of segments) {
      const near = view.nearness(segment.depth);
      const width = 1.3 + 2.2 * near;
      const from = view.screen[segment.pip], to = view.screen[segment.next];
      // The casing stops square at the segment's ends, so it cuts strands that cross it but not
      // the neighbours it joins; the colour's round ends close the joins.
      if (hasDepth) {
        context.lineCap = "butt";
        context.strokeStyle = CASING;
        context.lineWidth = width + 3;
        line(context, from, to);
      }
      context.lineCap = "round";
      context.strokeStyle = depthColour(near, 1);
      context.lineWidth = width;
      line(context, from, to);
    }
  }

  function drawBeats(context, screen) {
    const labels = [];
    context.font = LABEL_FONT;
    context.fillStyle = "#222";
    for (let pip = 0, beat = 1; pip < screen.length; pip += PIPS_PER_BEAT, beat++) {
      const [x, y] = screen[pip];
      context.beginPath();
      context.arc(x, y, 2.5, 0, 2 * Math.PI);
      context.fill();
      const width = context.measureText(String(beat)).width;
      labels.push({ beat, startsBar: (beat - 1) % BEATS_PER_BAR === 0, x: x + 5, y: y - 5,
                    box: [x + 5, y - 5 - LABEL_HEIGHT, width, LABEL_HEIGHT] });
    }
    for (const label of window.pivoletShow.thinLabels(labels)) context.fillText(String(label.beat), label.x, label.y);
  }

  function drawStart(context, screen) {
    const [x, y] = screen[0];
    context.strokeStyle = "#1b998b";
    context.lineWidth = 2.5;
    context.beginPath();
    context.arc(x, y, 8, 0, 2 * Math.PI);
    context.stroke();
  }

  function drawAxesKey(context, width, height) {
    const origin = [width - 80, height - 20];
    const keys = [["x", [1, 0, 0], "#d1495b"], ["y", [0, 1, 0], "#2e933c"], ["z far", [0, 0, -1], "#3066be"]];
    context.font = "11px sans-serif";
    context.lineWidth = 1.5;
    for (const [label, direction, colour] of keys) {
      const [u, v] = project(direction);
      const length = Math.hypot(u, v);
      const end = [origin[0] + 30 * u / length, origin[1] - 30 * v / length];
      context.strokeStyle = colour;
      context.fillStyle = colour;
      line(context, origin, end);
      context.fillText(label, end[0] + 4, end[1] - 3);
    }
  }

  function drawDepthKey(context, zRange) {
    if (!(zRange[1] > zRange[0])) return;
    const left = 12, top = 12, width = 120, height = 8;
    const gradient = context.createLinearGradient(left, 0, left + width, 0);
    gradient.addColorStop(0, depthColour(0, 1));
    gradient.addColorStop(1, depthColour(1, 1));
    context.fillStyle = gradient;
    context.fillRect(left, top, width, height);
    context.fillStyle = "#555";
    context.font = LABEL_FONT;
    context.fillText(`far z ${zRange[0].toFixed(2)}`, left, top + height + 12);
    const near = `near z ${zRange[1].toFixed(2)}`;
    context.fillText(near, left + width - context.measureText(near).width, top + height + 12);
  }

  function createSpatialView(canvas) {
    const context = canvas.getContext("2d");
    const layer = document.createElement("canvas");
    layer.width = canvas.width;
    layer.height = canvas.height;
    let shown = null;

    return {
      get scale() { return shown ? shown.view.scale : null; },

      // Draws what stays still (cube, path, beats, start, keys) once per pattern and scale.
      show(pattern, trueScale) {
        const view = frame(pattern.points, canvas.width, canvas.height, trueScale);
        // Setting the size clears the layer and every setting of its context.
        layer.width = canvas.width;
        const still = layer.getContext("2d");
        still.fillStyle = "#ffffff";
        still.fillRect(0, 0, layer.width, layer.height);
        if (trueScale) drawCube(still, view.toScreen);
        drawAxesKey(still, layer.width, layer.height);
        drawDepthKey(still, view.zRange);
        drawDepthPath(still, pattern.points, view);
        drawBeats(still, view.screen);
        drawStart(still, view.screen);
        shown = { pattern, view };
        canvas.dataset.scale = String(view.scale);
        canvas.dataset.trueScale = String(trueScale);
      },

      draw(pip, caption) {
        const { pattern, view } = shown;
        const period = pattern.periodPips;
        const wrap = (value) => ((value % period) + period) % period;
        context.drawImage(layer, 0, 0);
        const trail = Math.min(TRAIL_PIPS, period - 1);
        for (let back = trail; back >= 1; back--) {
          const from = wrap(pip - back);
          const to = wrap(from + 1);
          const near = view.nearness(pattern.points[to][2]);
          context.strokeStyle = depthColour(near, 1 - back / (trail + 1));
          context.lineWidth = 2.5 + 3 * near;
          line(context, view.screen[from], view.screen[to]);
        }
        const near = view.nearness(pattern.points[pip][2]);
        const [x, y] = view.screen[pip];
        context.fillStyle = depthColour(near, 1);
        context.beginPath();
        context.arc(x, y, 5 + 9 * near, 0, 2 * Math.PI);
        context.fill();
        context.strokeStyle = "#111";
        context.lineWidth = 1;
        context.stroke();
        context.fillStyle = "#333";
        context.font = "13px sans-serif";
        context.fillText(caption, 12, canvas.height - 12);
      },
    };
  }

  window.pivoletShow = Object.assign(window.pivoletShow || {}, { createSpatialView });
})();
