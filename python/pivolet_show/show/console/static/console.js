// The show console's page: draws each frame of the followed output as the server samples it, shows
// the show's time and outputs, and sends control commands back over the same WebSocket. The canvas
// carries the frame it drew (data-frame, data-sent, data-pip), the positions it drew (data-values:
// [[x, y, z], ...] in the frame's fixture order) and the aims of the heads that aim (data-aims: [pan,
// tilt] in degrees, null for a fixture that does not aim), so a test can compare them with what a
// receiver got for that frame; data-drawn counts the frames drawn.
"use strict";

const token = new URLSearchParams(location.search).get("token");
const socketUrl = (location.protocol === "https:" ? "wss://" : "ws://") + location.host + "/ws" +
  (token === null ? "" : "?token=" + encodeURIComponent(token));
const RECONNECT_MS = 1000;
const FLASH_MS = 120;
const SPEEDS = ["1/8", "1/4", "1/2", "1", "2", "4", "8"];
const GROUP_COLOURS = ["#1f6feb", "#d2396b", "#2da44e", "#b35900", "#8250df", "#0a8c8c", "#9a6700", "#57606a"];

const canvas = document.getElementById("rig");
const context = canvas.getContext("2d");
let socket = null;
let layout = null;
let lastBeat = null;
let lastBar = null;

function element(tag, properties = {}, children = []) {
  const made = Object.assign(document.createElement(tag), properties);
  for (const child of children) made.append(child);
  return made;
}

function send(command, values = []) {
  if (socket !== null && socket.readyState === WebSocket.OPEN) {
    socket.send(JSON.stringify({ command, values }));
  }
}

// Rows of `width` little-endian doubles per fixture, from base64; NaN (a fixture that does not aim) as null.
function decodeRows(text, count, width) {
  const bytes = Uint8Array.from(atob(text), (character) => character.charCodeAt(0));
  const view = new DataView(bytes.buffer);
  const rows = [];
  for (let k = 0; k < count; k += 1) {
    const row = [];
    for (let axis = 0; axis < width; axis += 1) row.push(view.getFloat64(8 * (width * k + axis), true));
    rows.push(row.some(Number.isNaN) ? null : row);
  }
  return rows;
}

// Panels in a grid, one per group, each the pan/tilt square with a depth strip under it when the
// group's fixtures move in depth.
function drawRig(frame) {
  const positions = decodeRows(frame.positions, frame.count, 3);
  const aims = frame.aims ? decodeRows(frame.aims, frame.count, 2) : null;
  const groups = layout.groups.filter((group) => group.fixtures.length > 0);
  const columns = Math.max(1, Math.ceil(Math.sqrt(groups.length)));
  const rows = Math.max(1, Math.ceil(groups.length / columns));
  const cellWidth = canvas.width / columns;
  const cellHeight = canvas.height / rows;
  context.clearRect(0, 0, canvas.width, canvas.height);
  context.font = "12px system-ui, sans-serif";
  groups.forEach((group, place) => {
    const colour = GROUP_COLOURS[place % GROUP_COLOURS.length];
    const left = (place % columns) * cellWidth;
    const top = Math.floor(place / columns) * cellHeight;
    const deep = group.fixtures.some((k) => positions[k][2] !== 0);
    const side = Math.min(cellWidth, cellHeight - 20 - (deep ? 26 : 0)) - 16;
    const centreX = left + cellWidth / 2;
    const centreY = top + 18 + side / 2 + 4;
    const half = side / 2;
    context.fillStyle = "#1d2330";
    context.fillText(group.name + " (" + group.fixtures.length + ")", left + 8, top + 14);
    context.strokeStyle = "#d9dde5";
    context.strokeRect(centreX - half, centreY - half, side, side);
    context.beginPath();
    context.moveTo(centreX - half, centreY);
    context.lineTo(centreX + half, centreY);
    context.moveTo(centreX, centreY - half);
    context.lineTo(centreX, centreY + half);
    context.stroke();
    const radius = group.fixtures.length > 64 ? 2.5 : 5;
    group.fixtures.forEach((k, member) => {
      const [x, y] = positions[k];
      const px = centreX + x * half;
      const py = centreY - y * half;
      context.beginPath();
      context.arc(px, py, radius, 0, 2 * Math.PI);
      if (frame.dark) {
        context.strokeStyle = colour;
        context.stroke();
      } else {
        context.fillStyle = colour;
        context.fill();
      }
      if (group.fixtures.length <= 16) {
        context.fillStyle = "#6b7385";
        context.fillText(String(group.numbers[member]), px + radius + 2, py - radius);
      }
    });
    if (deep) {
      const stripTop = centreY + half + 8;
      context.strokeStyle = "#d9dde5";
      context.strokeRect(centreX - half, stripTop, side, 16);
      group.fixtures.forEach((k, member) => {
        const px = centreX - half + (member + 0.5) * side / group.fixtures.length;
        context.fillStyle = colour;
        context.fillRect(px - 1.5, stripTop + 8 - positions[k][2] * 8, 3, positions[k][2] * 8 || 1);
      });
    }
  });
  canvas.dataset.frame = String(frame.index);
  canvas.dataset.sent = String(frame.sent);
  canvas.dataset.pip = String(frame.pip);
  canvas.dataset.values = JSON.stringify(positions);
  canvas.dataset.aims = JSON.stringify(aims);
  canvas.dataset.drawn = String(Number(canvas.dataset.drawn || 0) + 1);
}

function flash(id) {
  const lamp = document.getElementById(id);
  lamp.classList.add("lit");
  setTimeout(() => lamp.classList.remove("lit"), FLASH_MS);
}

function showTime(show) {
  document.getElementById("tempo").textContent = show.tempo;
  document.getElementById("position").textContent = show.bar + "." + show.beat;
  if (lastBeat !== null && (show.beat !== lastBeat || show.bar !== lastBar)) {
    flash("beat-flash");
    if (show.beat === 1) flash("bar-flash");
  }
  lastBeat = show.beat;
  lastBar = show.bar;
  const inputs = show.inputs.filter(([, said]) => said).map(([label, said]) => label + ": " + said);
  const sync = show.sync ? "following " + show.sync : "own clock";
  document.getElementById("sync").textContent = [sync + (show.running ? "" : ", held"), ...inputs].join(" · ");
  // The rows are made once; each tick only sets the texts that changed, to spare the page's layout.
  const body = document.querySelector("#outputs tbody");
  if (body.rows.length !== show.outputs.length) {
    body.replaceChildren(...show.outputs.map(() => element("tr", {}, Array.from({ length: 7 }, () => element("td")))));
  }
  show.outputs.forEach((output, k) => {
    const texts = [output.label, String(output.fps), output.latency_ms + " ms", String(output.sent),
      String(output.late), String(output.skipped), String(output.failed)];
    texts.forEach((text, column) => {
      const cell = body.rows[k].cells[column];
      if (cell.textContent !== text) cell.textContent = text;
    });
  });
}

function secondsTo(pip, show) {
  return (pip - show.pip) / (show.bpm * layout.pips_per_beat / 60);
}

function showCues(show) {
  document.querySelectorAll("#cues button").forEach((button) => {
    const number = Number(button.dataset.cue);
    const playing = show.playing !== null && show.playing[0] === number;
    const waiting = show.waiting !== null && show.waiting[0] === number;
    button.classList.toggle("playing", playing && !waiting);
    button.classList.toggle("waiting", waiting);
    button.querySelector("small").textContent = waiting
      ? "in " + Math.max(0, secondsTo(show.waiting[2], show)).toFixed(1) + " s" : playing ? "playing" : "";
  });
  document.getElementById("hold").classList.toggle("on", show.groups.length > 0 && show.groups.every((group) => group.held));
  document.getElementById("blackout").classList.toggle("on", show.blackout);
  for (const group of show.groups) {
    const row = document.querySelector(`#groups tr[data-group="${CSS.escape(group.name)}"]`);
    if (row === null) continue;
    row.querySelector(".source").textContent = group.source;
    const size = row.querySelector("input");
    if (document.activeElement !== size) size.value = String(group.size);
    row.querySelector("button").classList.toggle("on", group.held);
  }
  document.getElementById("refusal").textContent = show.refused ? "refused: " + show.refused : "";
}

function buildControls() {
  document.getElementById("followed").textContent = layout.followed ? "as " + layout.followed + " sends it" : "no output";
  document.getElementById("cues").replaceChildren(...layout.cues.map((name, index) => {
    const button = element("button", { title: "launch on the next boundary" },
      [String(index + 1) + " " + name, element("small")]);
    button.dataset.cue = String(index + 1);
    button.addEventListener("click", () => send("cue", [index + 1]));
    return button;
  }));
  document.querySelector("#groups tbody").replaceChildren(...layout.groups.map((group) => {
    const size = element("input", { type: "number", min: "0", max: "4", step: "0.05", value: "1" });
    size.addEventListener("change", () => {
      if (size.value !== "" && size.checkValidity()) send(`group/${group.name}/size`, [Number(size.value)]);
    });
    const speed = element("select", {}, SPEEDS.map((ratio) => element("option", { value: ratio, textContent: ratio })));
    speed.value = "1";
    speed.addEventListener("change", () => send(`group/${group.name}/speed`, [speed.value]));
    const hold = element("button", { textContent: "hold" });
    hold.addEventListener("click", () => send(`group/${group.name}/hold`, [hold.classList.contains("on") ? 0 : 1]));
    const row = element("tr", {}, [element("td", { textContent: group.name }), element("td", { className: "source" }),
      element("td", {}, [size]), element("td", {}, [speed]), element("td", {}, [hold])]);
    row.dataset.group = group.name;
    return row;
  }));
}

document.querySelectorAll("button[data-command]").forEach((button) => {
  button.addEventListener("click", () => {
    const value = button.dataset.value;
    send(button.dataset.command, value === undefined ? [] : [isNaN(Number(value)) ? value : Number(value)]);
  });
});
document.querySelectorAll("button[data-switch]").forEach((button) => {
  button.addEventListener("click", () => send(button.dataset.switch, [button.classList.contains("on") ? 0 : 1]));
});

function connect() {
  const link = document.getElementById("link");
  socket = new WebSocket(socketUrl);
  socket.addEventListener("open", () => { link.dataset.state = "open"; link.textContent = "live"; });
  socket.addEventListener("close", () => {
    link.dataset.state = "closed";
    link.textContent = "reconnecting";
    setTimeout(connect, RECONNECT_MS);
  });
  socket.addEventListener("message", (event) => {
    const message = JSON.parse(event.data);
    if (message.type === "layout") {
      layout = message;
      buildControls();
    } else if (message.type === "show" && layout !== null) {
      showTime(message);
      showCues(message);
      if (message.frame) drawRig(message.frame);
    } else if (message.type === "error") {
      document.getElementById("refusal").textContent = "refused: " + message.error;
    }
  });
}

connect();
