// The gallery page: filters the thumbnails and switches every drawing between true scale and fit;
// loads a pattern's samples when it is opened and shows it in the view: the path in space and its
// lanes in time, animated together, its motion figures at the chosen tempo, and the synth.
"use strict";

(function () {
  const settings = window.PIVOLET_SETTINGS;
  const show = window.pivoletShow;
  const PIPS_PER_BEAT = settings.pipsPerBeat;
  const MIN_BPM = 20;
  const MAX_BPM = 300;
  const TRUE_SCALE_CLASS = settings.trueScaleClass;
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

  // ---- the view ----

  const viewer = byId("viewer");
  const playToggle = byId("play-toggle");
  const tempoInput = byId("tempo");
  const seekInput = byId("seek");
  const synthToggle = byId("synth-toggle");
  const positionOutput = byId("position");
  const figuresList = byId("figures");
  const fitToggles = Array.from(document.querySelectorAll(".fit-toggle"));
  const spatialView = show.createSpatialView(byId("viewer-canvas"));
  const timeView = show.createTimeView(byId("time-view"));

  const player = {
    pattern: null,
    figures: null,
    // The running pip is never wrapped, so beats keep their spacing across loops that do not last
    // a whole number of beats, exactly as in the draw command's WAV.
    pip: 0,
    playing: true,
    trueScale: true,
    bpm: Number(tempoInput.value),
    lastFrameTime: null,
    frameRequest: null,
  };

  const synth = show.createSynth((state) => {
    synthToggle.dataset.audioState = state;
  });

  const pipsPerSecond = () => show.motionFigures.pipsPerSecond(player.bpm);

  function showFigures() {
    const figures = player.figures;
    const lines = show.motionFigures.describe(figures, player.bpm);
    // One row a line, its words before the colon as the term.
    figuresList.replaceChildren(...lines.map((line) => {
      const row = document.createElement("div");
      const term = document.createElement("dt");
      const description = document.createElement("dd");
      const colon = line.indexOf(":");
      term.textContent = line.slice(0, colon);
      description.textContent = line.slice(colon + 2);
      row.append(term, description);
      row.dataset.text = line;
      return row;
    }));
    Object.assign(figuresList.dataset, {
      bpm: String(player.bpm),
      peakX: String(figures.peak[0]),
      peakY: String(figures.peak[1]),
      peakZ: String(figures.peak[2]),
      largestStep: String(figures.largestStep),
      largestStepPip: String(figures.largestStepPip),
      largestStepChange: String(figures.largestStepChange),
      largestStepChangePip: String(figures.largestStepChangePip),
      largestSpeed: String(figures.largestSpeed(player.bpm)),
      largestAcceleration: String(figures.largestAcceleration(player.bpm)),
    });
  }

  function showAt(pip, beatsCrossed) {
    const pattern = player.pattern;
    const period = pattern.periodPips;
    const wrapped = ((pip % period) + period) % period;
    const loop = Math.floor(pip / period) + 1;
    const point = pattern.points[wrapped];
    const beat = wrapped / PIPS_PER_BEAT + 1;
    spatialView.draw(wrapped, `beat ${beat.toFixed(2)} · ${player.bpm} BPM`);
    timeView.setPip(wrapped);
    if (player.playing) seekInput.value = String(wrapped);
    Object.assign(positionOutput.dataset, {
      pip: String(wrapped), loop: String(loop), x: String(point[0]), y: String(point[1]), z: String(point[2]),
    });
    positionOutput.textContent = `loop ${loop} · pip ${wrapped} of ${period} · beat ${beat.toFixed(2)} · `
      + `x ${point[0].toFixed(4)}  y ${point[1].toFixed(4)}  z ${point[2].toFixed(4)}`;
    synth.follow(point, player.playing, beatsCrossed || []);
  }

  function beatsBetween(fromPip, toPip) {
    // Beats whose first pip lies in (fromPip, toPip], with how long ago each was reached.
    const crossed = [];
    const period = player.pattern.periodPips;
    for (let beat = Math.floor(fromPip / PIPS_PER_BEAT) + 1; beat * PIPS_PER_BEAT <= toPip; beat++) {
      const beatPip = beat * PIPS_PER_BEAT;
      crossed.push({ secondsAgo: (toPip - beatPip) / pipsPerSecond(), loopStart: beatPip % period === 0 });
    }
    return crossed;
  }

  function onFrame(now) {
    player.frameRequest = requestAnimationFrame(onFrame);
    if (!player.pattern) return;
    let beatsCrossed = [];
    if (player.playing && player.lastFrameTime !== null) {
      const before = player.pip;
      player.pip = before + (now - player.lastFrameTime) / 1000 * pipsPerSecond();
      beatsCrossed = beatsBetween(before, player.pip);
    }
    player.lastFrameTime = now;
    showAt(Math.floor(player.pip), beatsCrossed);
  }

  function setPlaying(playing) {
    player.playing = playing;
    player.lastFrameTime = null;
    playToggle.textContent = playing ? "Pause" : "Play";
    playToggle.setAttribute("aria-pressed", String(playing));
    viewer.dataset.playing = String(playing);
  }

  function drawPattern() {
    spatialView.show(player.pattern, player.trueScale);
    timeView.show(player.pattern, player.trueScale);
    showAt(Math.floor(player.pip));
  }

  function openViewer(pattern) {
    player.pattern = pattern;
    player.figures = show.motionFigures.measure(pattern.points);
    player.pip = 0;
    // The far end is the loop's end, which is where the next loop starts.
    seekInput.max = String(pattern.periodPips);
    seekInput.value = "0";
    byId("viewer-name").textContent = pattern.name;
    byId("viewer-description").textContent = pattern.description;
    const beats = pattern.periodPips / PIPS_PER_BEAT;
    byId("viewer-info").textContent =
      `${pattern.periodPips} pips (${beats} beats) · ${pattern.dimensions} dimension${pattern.dimensions === 1 ? "" : "s"}`
      + " · nearer is warmer and wider; the nearer strand passes over where the path crosses itself";
    viewer.dataset.pattern = pattern.name;
    viewer.hidden = false;
    setPlaying(true);
    showFigures();
    drawPattern();
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

  // One choice for every drawing on the page: the thumbnails and the view.
  function setTrueScale(trueScale) {
    player.trueScale = trueScale;
    document.body.classList.toggle(TRUE_SCALE_CLASS, trueScale);
    for (const toggle of fitToggles) toggle.checked = !trueScale;
    if (player.pattern) drawPattern();
  }

  playToggle.addEventListener("click", () => setPlaying(!player.playing));
  tempoInput.addEventListener("input", () => {
    const bpm = Number(tempoInput.value);
    if (!(Number.isFinite(bpm) && bpm >= MIN_BPM && bpm <= MAX_BPM)) return;
    player.bpm = bpm;
    if (player.pattern) showFigures();
  });
  seekInput.addEventListener("input", () => {
    if (!player.pattern) return;
    // Seeking moves within the loop being played, so the loop count stays.
    const period = player.pattern.periodPips;
    player.pip = Math.floor(player.pip / period) * period + Number(seekInput.value);
    player.lastFrameTime = null;
    showAt(player.pip);
  });
  for (const toggle of fitToggles) toggle.addEventListener("change", () => setTrueScale(!toggle.checked));
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
  // A browser may bring back a checked box on reload; the drawings follow it.
  setTrueScale(!fitToggles.some((toggle) => toggle.checked));
  openFromHash();

  window.pivoletGallery = {
    receive,
    get audioState() { return synth.state; },
  };
})();
