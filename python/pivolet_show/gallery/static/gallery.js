// The gallery page: filters the thumbnails, loads a pattern's samples when it is opened, animates
// it with the same oblique projection as the demo's picture, and plays it on a small WebAudio synth
// with the same mapping as the demo's WAV.
"use strict";

(function () {
  const settings = window.PIVOLET_SETTINGS;
  const PIPS_PER_BEAT = settings.pipsPerBeat;
  const TRAIL_PIPS = PIPS_PER_BEAT;
  const MIN_BPM = 20;
  const MAX_BPM = 300;
  // Audio runs this far behind the picture so that clicks and parameter changes can be placed at
  // exact times rather than whenever an animation frame happens to run.
  const AUDIO_LEAD_SECONDS = 0.05;
  const PARAMETER_SMOOTHING_SECONDS = 0.01;
  const FAR_COLOUR = [31, 59, 115];
  const NEAR_COLOUR = [255, 138, 61];
  const LOAD_FAILED = "Could not load the samples of ";

  const byId = (id) => document.getElementById(id);

  // ---- pattern data, delivered by one script per pattern ----

  const loadedPatterns = new Map();
  const pendingLoads = new Map();

  function decodeSamples(text, periodPips, components) {
    const binary = atob(text);
    const bytes = new Uint8Array(binary.length);
    for (let i = 0; i < binary.length; i++) bytes[i] = binary.charCodeAt(i);
    const view = new DataView(bytes.buffer);
    const points = new Array(periodPips);
    for (let pip = 0; pip < periodPips; pip++) {
      const point = [0, 0, 0];
      for (let c = 0; c < components; c++) point[c] = view.getFloat64((pip * components + c) * 8, true);
      points[pip] = point;
    }
    return points;
  }

  function receive(data) {
    const pattern = {
      name: data.name,
      description: data.description,
      periodPips: data.period_pips,
      dimensions: data.dimensions,
      points: decodeSamples(data.samples, data.period_pips, data.components),
    };
    loadedPatterns.set(pattern.name, pattern);
    const pending = pendingLoads.get(pattern.name);
    pendingLoads.delete(pattern.name);
    if (pending) pending.resolve(pattern);
  }

  function loadPattern(name) {
    if (loadedPatterns.has(name)) return Promise.resolve(loadedPatterns.get(name));
    if (pendingLoads.has(name)) return pendingLoads.get(name).promise;
    let resolve, reject;
    const promise = new Promise((yes, no) => { resolve = yes; reject = no; });
    pendingLoads.set(name, { promise, resolve, reject });
    const script = document.createElement("script");
    script.src = settings.patternDir + "/" + name + ".js";
    script.onerror = () => {
      pendingLoads.delete(name);
      reject(new Error(LOAD_FAILED + name));
    };
    document.head.appendChild(script);
    return promise;
  }

  // ---- projection, as in the demo's picture ----

  const projection = settings.projection;

  function project(point) {
    return [point[0] - point[2] * projection.depthDx, point[1] - point[2] * projection.depthDy];
  }

  const nearness = (z) => (z + 1) / 2;

  function depthColour(near, alpha) {
    const mixed = FAR_COLOUR.map((far, i) => Math.round(far + (NEAR_COLOUR[i] - far) * near));
    return `rgba(${mixed[0]}, ${mixed[1]}, ${mixed[2]}, ${alpha})`;
  }

  // ---- the synth, with the demo WAV's mapping ----

  const mapping = settings.synth;

  const synthMapping = {
    frequency: (y) => mapping.baseFrequencyHz * Math.pow(2, y * mapping.pitchRangeOctaves),
    cutoff: (z) => mapping.cutoffLowestHz * Math.pow(2, nearness(z) * mapping.cutoffRangeOctaves),
    level: (z) => mapping.levelFar + (mapping.levelNear - mapping.levelFar) * nearness(z),
    pan: (x) => Math.min(1, Math.max(-1, x)),
  };

  function createSynth(onStateChange) {
    let context = null;
    let nodes = null;
    let enabled = false;

    function build() {
      context = new AudioContext();
      const oscillator = context.createOscillator();
      oscillator.type = "sawtooth";
      const filter = context.createBiquadFilter();
      filter.type = "lowpass";
      // The browser's low-pass takes its Q in decibels.
      filter.Q.value = 20 * Math.log10(mapping.filterQ);
      const level = context.createGain();
      level.gain.value = 0;
      const panner = context.createStereoPanner();
      oscillator.connect(filter).connect(level).connect(panner).connect(context.destination);
      const clickBus = context.createGain();
      // Clicks are centred: a mono signal at equal-power centre gain on both sides.
      clickBus.gain.value = Math.SQRT1_2;
      clickBus.connect(context.destination);
      oscillator.start();
      nodes = { oscillator, filter, level, panner, clickBus };
      context.onstatechange = () => onStateChange(context.state);
    }

    function click(atTime, loopStart) {
      const tone = context.createOscillator();
      tone.frequency.value = loopStart ? mapping.clickLoopStartFrequencyHz : mapping.clickFrequencyHz;
      const envelope = context.createGain();
      envelope.gain.setValueAtTime(mapping.clickLevel, atTime);
      envelope.gain.setTargetAtTime(0, atTime, mapping.clickDecaySeconds);
      tone.connect(envelope).connect(nodes.clickBus);
      tone.start(atTime);
      tone.stop(atTime + mapping.clickLengthSeconds);
    }

    return {
      get enabled() { return enabled; },
      get state() { return context ? context.state : "none"; },

      async setEnabled(on) {
        enabled = on;
        if (on) {
          if (!context) build();
          await context.resume();
        } else if (context) {
          nodes.level.gain.setTargetAtTime(0, context.currentTime, PARAMETER_SMOOTHING_SECONDS);
          await context.suspend();
        }
        onStateChange(this.state);
      },

      // Follows the point; beatsCrossed lists the beats passed since the last frame with how long
      // ago each was passed, so that its click lands at the right moment.
      follow(point, sounding, beatsCrossed) {
        if (!enabled || !context || context.state !== "running") return;
        const at = context.currentTime + AUDIO_LEAD_SECONDS;
        const [x, y, z] = point;
        nodes.oscillator.frequency.setTargetAtTime(synthMapping.frequency(y), at, PARAMETER_SMOOTHING_SECONDS);
        nodes.filter.frequency.setTargetAtTime(synthMapping.cutoff(z), at, PARAMETER_SMOOTHING_SECONDS);
        nodes.panner.pan.setTargetAtTime(synthMapping.pan(x), at, PARAMETER_SMOOTHING_SECONDS);
        nodes.level.gain.setTargetAtTime(sounding ? synthMapping.level(z) : 0, at, PARAMETER_SMOOTHING_SECONDS);
        for (const beat of beatsCrossed) click(Math.max(context.currentTime, at - beat.secondsAgo), beat.loopStart);
      },
    };
  }

  // ---- the animated view ----

  const viewer = byId("viewer");
  const canvas = byId("viewer-canvas");
  const drawing = canvas.getContext("2d");
  const playToggle = byId("play-toggle");
  const tempoInput = byId("tempo");
  const seekInput = byId("seek");
  const synthToggle = byId("synth-toggle");
  const positionOutput = byId("position");

  const player = {
    pattern: null,
    screen: null,
    nearness: null,
    pip: 0,
    playing: true,
    bpm: Number(tempoInput.value),
    lastFrameTime: null,
    frameRequest: null,
  };

  const synth = createSynth((state) => {
    synthToggle.dataset.audioState = state;
  });

  function wrap(pip, period) {
    return ((pip % period) + period) % period;
  }

  function pipsPerSecond() {
    return player.bpm / 60 * PIPS_PER_BEAT;
  }

  // Zooms the loop to fill the canvas, keeping its proportions, as the demo's picture does; depth
  // is shown relative to the loop's own range so that shallow depth still reads.
  function fitTo(points) {
    const margin = 28;
    const projected = points.map(project);
    const us = projected.map((p) => p[0]);
    const vs = projected.map((p) => p[1]);
    const zs = points.map((p) => p[2]);
    const middle = (values) => (Math.min(...values) + Math.max(...values)) / 2;
    const span = (values) => Math.max(Math.max(...values) - Math.min(...values), projection.minFitSpan);
    const uMid = middle(us), vMid = middle(vs), zMid = middle(zs), zSpan = span(zs);
    const scale = Math.min((canvas.width - 2 * margin) / span(us), (canvas.height - 2 * margin) / span(vs));
    return {
      screen: projected.map(([u, v]) => [canvas.width / 2 + (u - uMid) * scale, canvas.height / 2 - (v - vMid) * scale]),
      nearness: (z) => Math.min(1, Math.max(0, (z - zMid) / zSpan + 0.5)),
    };
  }

  function drawAxesKey() {
    const origin = [canvas.width - 80, canvas.height - 20];
    const keys = [["x", [1, 0, 0], "#d1495b"], ["y", [0, 1, 0], "#2e933c"], ["z far", [0, 0, -1], "#3066be"]];
    drawing.font = "11px sans-serif";
    drawing.lineWidth = 1.5;
    for (const [label, direction, colour] of keys) {
      const [u, v] = project(direction);
      const length = Math.hypot(u, v);
      const end = [origin[0] + 30 * u / length, origin[1] - 30 * v / length];
      drawing.strokeStyle = colour;
      drawing.fillStyle = colour;
      drawing.beginPath();
      drawing.moveTo(origin[0], origin[1]);
      drawing.lineTo(end[0], end[1]);
      drawing.stroke();
      drawing.fillText(label, end[0] + 4, end[1] - 3);
    }
  }

  function draw(wrappedPip) {
    const pattern = player.pattern;
    const screen = player.screen;
    const period = pattern.periodPips;
    drawing.fillStyle = "#ffffff";
    drawing.fillRect(0, 0, canvas.width, canvas.height);
    drawAxesKey();

    drawing.strokeStyle = "rgba(90, 107, 134, 0.35)";
    drawing.lineWidth = 1.5;
    drawing.beginPath();
    screen.forEach(([x, y], pip) => (pip === 0 ? drawing.moveTo(x, y) : drawing.lineTo(x, y)));
    drawing.closePath();
    drawing.stroke();

    drawing.fillStyle = "#222";
    drawing.font = "10px sans-serif";
    for (let pip = 0, beat = 1; pip < period; pip += PIPS_PER_BEAT, beat++) {
      const [x, y] = screen[pip];
      drawing.beginPath();
      drawing.arc(x, y, 2.5, 0, 2 * Math.PI);
      drawing.fill();
      drawing.fillText(String(beat), x + 5, y - 5);
    }

    const [sx, sy] = screen[0];
    drawing.strokeStyle = "#1b998b";
    drawing.lineWidth = 2.5;
    drawing.beginPath();
    drawing.arc(sx, sy, 8, 0, 2 * Math.PI);
    drawing.stroke();

    const trail = Math.min(TRAIL_PIPS, period - 1);
    for (let back = trail; back >= 1; back--) {
      const from = wrap(wrappedPip - back, period);
      const to = wrap(from + 1, period);
      const near = player.nearness(pattern.points[to][2]);
      drawing.strokeStyle = depthColour(near, 1 - back / (trail + 1));
      drawing.lineWidth = 1.5 + 3 * near;
      drawing.beginPath();
      drawing.moveTo(screen[from][0], screen[from][1]);
      drawing.lineTo(screen[to][0], screen[to][1]);
      drawing.stroke();
    }

    const point = pattern.points[wrappedPip];
    const near = player.nearness(point[2]);
    const [px, py] = screen[wrappedPip];
    drawing.fillStyle = depthColour(near, 1);
    drawing.beginPath();
    drawing.arc(px, py, 5 + 9 * near, 0, 2 * Math.PI);
    drawing.fill();
    drawing.strokeStyle = "#111";
    drawing.lineWidth = 1;
    drawing.stroke();

    drawing.fillStyle = "#333";
    drawing.font = "13px sans-serif";
    const beat = wrappedPip / PIPS_PER_BEAT;
    drawing.fillText(`pip ${wrappedPip} / ${period} · beat ${(beat + 1).toFixed(2)} · ${player.bpm} BPM`, 12, canvas.height - 12);
  }

  function show(pip, beatsCrossed) {
    const pattern = player.pattern;
    const wrapped = wrap(pip, pattern.periodPips);
    const point = pattern.points[wrapped];
    draw(wrapped);
    if (player.playing) seekInput.value = String(wrapped);
    positionOutput.dataset.pip = String(pip);
    positionOutput.dataset.x = String(point[0]);
    positionOutput.dataset.y = String(point[1]);
    positionOutput.dataset.z = String(point[2]);
    positionOutput.textContent =
      `pip ${pip}: x ${point[0].toFixed(4)}  y ${point[1].toFixed(4)}  z ${point[2].toFixed(4)}`;
    synth.follow(point, player.playing, beatsCrossed || []);
  }

  function beatsBetween(fromPip, toPip) {
    // Beats whose first pip lies in (fromPip, toPip], with how long ago each was reached.
    const crossed = [];
    const period = player.pattern.periodPips;
    for (let beat = Math.floor(fromPip / PIPS_PER_BEAT) + 1; beat * PIPS_PER_BEAT <= toPip; beat++) {
      const beatPip = beat * PIPS_PER_BEAT;
      crossed.push({ secondsAgo: (toPip - beatPip) / pipsPerSecond(), loopStart: wrap(beatPip, period) === 0 });
    }
    return crossed;
  }

  function onFrame(now) {
    player.frameRequest = requestAnimationFrame(onFrame);
    if (!player.pattern) return;
    let beatsCrossed = [];
    if (player.playing && player.lastFrameTime !== null) {
      // The running pip is never wrapped, so beats keep their spacing across loops that do not
      // last a whole number of beats, exactly as in the demo's WAV.
      const before = player.pip;
      player.pip = before + (now - player.lastFrameTime) / 1000 * pipsPerSecond();
      beatsCrossed = beatsBetween(before, player.pip);
    }
    player.lastFrameTime = now;
    show(Math.floor(player.pip), beatsCrossed);
  }

  function setPlaying(playing) {
    player.playing = playing;
    player.lastFrameTime = null;
    playToggle.textContent = playing ? "Pause" : "Play";
    playToggle.setAttribute("aria-pressed", String(playing));
    viewer.dataset.playing = String(playing);
  }

  function openViewer(pattern) {
    player.pattern = pattern;
    const fit = fitTo(pattern.points);
    player.screen = fit.screen;
    player.nearness = fit.nearness;
    player.pip = 0;
    seekInput.max = String(pattern.periodPips);
    seekInput.value = "0";
    byId("viewer-name").textContent = pattern.name;
    byId("viewer-description").textContent = pattern.description;
    const beats = pattern.periodPips / PIPS_PER_BEAT;
    byId("viewer-info").textContent =
      `${pattern.periodPips} pips (${beats} beats) · ${pattern.dimensions} dimension${pattern.dimensions === 1 ? "" : "s"}`;
    viewer.dataset.pattern = pattern.name;
    viewer.hidden = false;
    setPlaying(true);
    show(0);
    if (player.frameRequest === null) player.frameRequest = requestAnimationFrame(onFrame);
  }

  function closeViewer() {
    viewer.hidden = true;
    delete viewer.dataset.pattern;
    player.pattern = null;
    if (player.frameRequest !== null) cancelAnimationFrame(player.frameRequest);
    player.frameRequest = null;
    if (synth.enabled) synth.setEnabled(false).then(updateSynthToggle);
  }

  function openFromHash() {
    const name = decodeURIComponent(location.hash.slice(1));
    if (!name) {
      if (!viewer.hidden) closeViewer();
      return;
    }
    const card = document.querySelector(`.card[data-name="${CSS.escape(name)}"]`);
    if (!card) return;
    loadPattern(name).then(openViewer, (error) => {
      positionOutput.textContent = error.message;
    });
  }

  function updateSynthToggle() {
    synthToggle.textContent = synth.enabled ? "Synth on" : "Synth off";
    synthToggle.setAttribute("aria-pressed", String(synth.enabled));
  }

  playToggle.addEventListener("click", () => setPlaying(!player.playing));
  tempoInput.addEventListener("input", () => {
    const bpm = Number(tempoInput.value);
    if (Number.isFinite(bpm) && bpm >= MIN_BPM && bpm <= MAX_BPM) player.bpm = bpm;
  });
  seekInput.addEventListener("input", () => {
    if (!player.pattern) return;
    player.pip = Number(seekInput.value);
    player.lastFrameTime = null;
    show(player.pip);
  });
  synthToggle.addEventListener("click", () => {
    synth.setEnabled(!synth.enabled).then(updateSynthToggle);
  });
  byId("viewer-close").addEventListener("click", () => { location.hash = ""; });
  viewer.addEventListener("click", (event) => {
    if (event.target === viewer) location.hash = "";
  });
  document.addEventListener("keydown", (event) => {
    if (viewer.hidden) return;
    if (event.key === "Escape") location.hash = "";
    if (event.key === " " && !(event.target instanceof HTMLInputElement)) {
      event.preventDefault();
      setPlaying(!player.playing);
    }
  });
  window.addEventListener("hashchange", openFromHash);

  // ---- the filters ----

  const cards = Array.from(document.querySelectorAll(".card"));
  const sections = Array.from(document.querySelectorAll(".family"));
  const nameFilter = byId("filter-name");
  const familyFilter = byId("filter-family");
  const dimensionFilter = byId("filter-dimensions");
  const shownCount = byId("shown-count");

  function applyFilters() {
    const text = nameFilter.value.trim().toLowerCase();
    const family = familyFilter.value;
    const dimensions = dimensionFilter.value;
    let shown = 0;
    for (const card of cards) {
      const visible = (!text || card.dataset.name.includes(text))
        && (!family || card.dataset.family === family)
        && (!dimensions || card.dataset.dimensions === dimensions);
      card.hidden = !visible;
      if (visible) shown++;
    }
    for (const section of sections) section.hidden = !section.querySelector(".card:not([hidden])");
    shownCount.textContent = `${shown} of ${cards.length} patterns`;
    shownCount.dataset.shown = String(shown);
  }

  for (const control of [nameFilter, familyFilter, dimensionFilter]) {
    control.addEventListener("input", applyFilters);
    control.addEventListener("change", applyFilters);
  }
  applyFilters();
  openFromHash();

  window.pivoletGallery = {
    receive,
    get audioState() { return synth.state; },
  };
})();
