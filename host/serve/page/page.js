// The page of a cadhost session: the drawing seen from above, the command line, message
// boxes. Every action goes to cadhost, which runs the session; the page shows what it
// publishes. Plain JavaScript, nothing fetched from elsewhere.
"use strict";

(() => {
  const SVG = "http://www.w3.org/2000/svg";
  const token = new URLSearchParams(location.search).get("token") || "";
  const drawingSvg = document.getElementById("drawing");
  const world = document.getElementById("world");
  const entitiesLayer = document.getElementById("entities");
  const draggingLayer = document.getElementById("dragging");
  const transcriptBox = document.getElementById("transcript");
  const promptLabel = document.getElementById("prompt");
  const cmdline = document.getElementById("cmdline");
  const statusText = document.getElementById("status");
  const coordinates = document.getElementById("coordinates");
  const saveButton = document.getElementById("save");
  const messageBox = document.getElementById("messagebox");

  const WAITING_TEXT = {
    command: "Type a command",
    point: "Click a point, or type it",
    entity: "Click an object",
    drag: "Move the mouse; click to place, right click or Enter to accept, Esc to cancel",
    messagebox: "Answer the message",
    ended: "The session has ended",
  };
  const ICONS = { warning: "\u26a0", error: "\u26d4", information: "\u2139", question: "?" };

  // --- the view: world coordinates seen from above, y up ---
  // Shapes are placed relative to an origin near the drawing, so that SVG's single-precision
  // numbers keep the detail of drawings far from the world origin.
  const view = { centerX: 0, centerY: 0, scale: 1, originX: 0, originY: 0, placed: false };

  function viewSize() {
    const box = drawingSvg.getBoundingClientRect();
    return { box, width: box.width || 1, height: box.height || 1 };
  }

  function applyView() {
    const { width, height } = viewSize();
    const s = view.scale;
    const tx = width / 2 - s * (view.centerX - view.originX);
    const ty = height / 2 + s * (view.centerY - view.originY);
    world.setAttribute("transform", `matrix(${s} 0 0 ${-s} ${tx} ${ty})`);
  }

  function toScreen(x, y) {
    const { box, width, height } = viewSize();
    return {
      x: box.left + width / 2 + (x - view.centerX) * view.scale,
      y: box.top + height / 2 - (y - view.centerY) * view.scale,
    };
  }

  function toWorld(px, py) {
    const { box, width, height } = viewSize();
    return {
      x: view.centerX + (px - box.left - width / 2) / view.scale,
      y: view.centerY - (py - box.top - height / 2) / view.scale,
    };
  }

  window.cadhost = { toScreen, toWorld };

  // --- the drawing ---
  const elements = new Map();  // handle -> element
  const bounds = new Map();    // handle -> [minX, minY, maxX, maxY]
  let drawingGeneration = 0;
  let drawingRevision = 0;
  let drawingRequest = null;

  function number(value) {
    return Number.isFinite(value) ? +value.toPrecision(12) : 0;
  }

  function boundsOf(entity) {
    const b = [Infinity, Infinity, -Infinity, -Infinity];
    const add = (x, y) => {
      b[0] = Math.min(b[0], x); b[1] = Math.min(b[1], y);
      b[2] = Math.max(b[2], x); b[3] = Math.max(b[3], y);
    };
    for (const [x1, y1, x2, y2] of entity.lines || []) { add(x1, y1); add(x2, y2); }
    for (const [cx, cy, r, a0, a1] of entity.arcs || []) {
      // The ends, and each quarter point the arc passes.
      add(cx + r * Math.cos(a0), cy + r * Math.sin(a0));
      add(cx + r * Math.cos(a1), cy + r * Math.sin(a1));
      for (let k = Math.ceil(a0 / (Math.PI / 2)); k * (Math.PI / 2) <= a1; ++k)
        add(cx + r * Math.cos(k * Math.PI / 2), cy + r * Math.sin(k * Math.PI / 2));
    }
    for (const list of [...(entity.polylines || []), ...(entity.fills || [])])
      for (let i = 0; i + 1 < list.length; i += 2) add(list[i], list[i + 1]);
    for (const [x, y, h] of entity.texts || []) { add(x - h, y - h); add(x + h, y + h); }
    for (const [x, y] of entity.points || []) add(x, y);
    return b[0] <= b[2] ? b : null;
  }

  /// The SVG element of one entity view: a group with its data, a path for its curves, one
  /// for its fills, its points and its texts.
  function entityElement(entity) {
    const group = document.createElementNS(SVG, "g");
    if (entity.handle !== undefined) group.dataset.handle = entity.handle;
    group.dataset.type = entity.type;
    if (entity.layer !== undefined) group.dataset.layer = entity.layer;
    if (entity.text !== undefined) group.dataset.text = entity.text;
    const u = (x) => number(x - view.originX);
    const v = (y) => number(y - view.originY);
    let strokes = "";
    for (const [x1, y1, x2, y2] of entity.lines || [])
      strokes += `M${u(x1)} ${v(y1)}L${u(x2)} ${v(y2)}`;
    for (const [cx, cy, r, a0, a1] of entity.arcs || []) {
      if (a1 - a0 >= 2 * Math.PI - 1e-12) {
        const circle = document.createElementNS(SVG, "circle");
        circle.setAttribute("cx", u(cx));
        circle.setAttribute("cy", v(cy));
        circle.setAttribute("r", number(r));
        group.appendChild(circle);
        continue;
      }
      const large = a1 - a0 > Math.PI ? 1 : 0;
      strokes += `M${u(cx + r * Math.cos(a0))} ${v(cy + r * Math.sin(a0))}` +
                 `A${number(r)} ${number(r)} 0 ${large} 1 ` +
                 `${u(cx + r * Math.cos(a1))} ${v(cy + r * Math.sin(a1))}`;
    }
    for (const list of entity.polylines || []) {
      for (let i = 0; i + 1 < list.length; i += 2)
        strokes += `${i === 0 ? "M" : "L"}${u(list[i])} ${v(list[i + 1])}`;
    }
    if (strokes) {
      const path = document.createElementNS(SVG, "path");
      path.setAttribute("d", strokes);
      group.appendChild(path);
    }
    let fills = "";
    for (const list of entity.fills || []) {
      for (let i = 0; i + 1 < list.length; i += 2)
        fills += `${i === 0 ? "M" : "L"}${u(list[i])} ${v(list[i + 1])}`;
      fills += "Z";
    }
    if (fills) {
      const path = document.createElementNS(SVG, "path");
      path.setAttribute("class", "fill");
      path.setAttribute("d", fills);
      group.appendChild(path);
    }
    let dots = "";
    for (const [x, y] of entity.points || []) dots += `M${u(x)} ${v(y)}h0`;
    if (dots) {
      const path = document.createElementNS(SVG, "path");
      path.setAttribute("class", "points");
      path.setAttribute("d", dots);
      group.appendChild(path);
    }
    for (const [x, y, height, angle, contents] of entity.texts || []) {
      const text = document.createElementNS(SVG, "text");
      const degrees = number((angle * 180) / Math.PI);
      text.setAttribute("transform", `translate(${u(x)} ${v(y)}) scale(1 -1) rotate(${-degrees})`);
      text.setAttribute("font-size", number(height));
      text.setAttribute("text-anchor", "middle");
      text.setAttribute("dominant-baseline", "central");
      text.textContent = contents;
      group.appendChild(text);
    }
    return group;
  }

  function placeOrigin(entities) {
    let first = null;
    for (const entity of entities) {
      first = boundsOf(entity);
      if (first) break;
    }
    view.originX = first ? first[0] : 0;
    view.originY = first ? first[1] : 0;
  }

  function applyDrawing(changes) {
    const fresh = changes.generation !== drawingGeneration;
    if (fresh) {
      elements.clear();
      bounds.clear();
      entitiesLayer.replaceChildren();
      placeOrigin(changes.entities);
    }
    for (const handle of changes.removed) {
      const element = elements.get(handle);
      if (element) element.remove();
      elements.delete(handle);
      bounds.delete(handle);
    }
    for (const entity of changes.entities) {
      const element = entityElement(entity);
      const old = elements.get(entity.handle);
      if (old) old.replaceWith(element);
      else entitiesLayer.appendChild(element);
      elements.set(entity.handle, element);
      const b = boundsOf(entity);
      if (b) bounds.set(entity.handle, b);
      else bounds.delete(entity.handle);
    }
    drawingGeneration = changes.generation;
    drawingRevision = changes.revision;
    if (fresh || !view.placed) zoomExtents();
  }

  function zoomExtents() {
    let b = null;
    for (const each of bounds.values()) {
      b = b ? [Math.min(b[0], each[0]), Math.min(b[1], each[1]),
               Math.max(b[2], each[2]), Math.max(b[3], each[3])] : each.slice();
    }
    const { width, height } = viewSize();
    if (b) {
      const w = Math.max(b[2] - b[0], 1e-9);
      const h = Math.max(b[3] - b[1], 1e-9);
      view.scale = 0.9 * Math.min(width / w, height / h);
      view.centerX = (b[0] + b[2]) / 2;
      view.centerY = (b[1] + b[3]) / 2;
      view.placed = true;
    }
    applyView();
  }

  function syncDrawing(wanted) {
    if (drawingRequest || (wanted.generation === drawingGeneration &&
                           wanted.revision === drawingRevision))
      return;
    const query = `generation=${drawingGeneration}&revision=${drawingRevision}`;
    drawingRequest = call(`api/drawing?${query}`)
      .then((changes) => applyDrawing(changes))
      .catch(() => {})
      .finally(() => {
        drawingRequest = null;
        if (latest && latest.drawing) syncDrawing(latest.drawing);
      });
  }

  // --- talking to cadhost ---
  let latest = null;       // the newest state shown
  let transcriptText = "";
  let transcriptBytes = 0; // its length as cadhost counts it (UTF-8)

  function call(path, body) {
    const options = { headers: { "X-Cadhost-Token": token }, cache: "no-store" };
    if (body !== undefined) {
      options.method = "POST";
      options.headers["Content-Type"] = "application/json";
      options.body = JSON.stringify(body);
    }
    return fetch(path, options).then((response) => {
      if (!response.ok) throw new Error(`cadhost answered ${response.status}`);
      return response.json();
    });
  }

  function showTranscript(part) {
    if (part.from === transcriptBytes) transcriptText += part.text;
    else if (part.from === 0) transcriptText = part.text;
    else return;
    transcriptBytes = part.length;
    // The open last line is the prompt, shown beside the command line.
    const lastBreak = transcriptText.lastIndexOf("\n");
    transcriptBox.textContent = transcriptText.slice(0, lastBreak + 1);
    promptLabel.textContent = transcriptText.slice(lastBreak + 1) || " ";
    transcriptBox.scrollTop = transcriptBox.scrollHeight;
  }

  function showMessageBox(box) {
    messageBox.querySelector(".caption").textContent = box.caption;
    messageBox.querySelector(".text").textContent = box.text;
    const icon = messageBox.querySelector(".icon");
    icon.className = `icon ${box.icon}`;
    icon.textContent = ICONS[box.icon] || "";
    messageBox.dataset.icon = box.icon;
    if (!messageBox.open) messageBox.showModal();
    document.getElementById("messagebox-ok").focus();
  }

  function applyState(state) {
    if (!state || (latest && state.version < latest.version)) return;
    showTranscript(state.transcript);
    if (latest && state.version === latest.version) return;
    latest = state;
    document.body.dataset.waiting = state.waiting;
    statusText.textContent = WAITING_TEXT[state.waiting] || "";
    saveButton.disabled = !(state.savePath && state.waiting === "command");
    saveButton.title = state.savePath ? `Write ${state.savePath}` : "cadhost was started without --save";
    draggingLayer.replaceChildren();
    if (state.dragged) {
      const element = entityElement(state.dragged);
      element.id = "dragged";
      element.classList.add("dragged");
      draggingLayer.appendChild(element);
    }
    if (state.waiting === "messagebox" && state.messageBox) showMessageBox(state.messageBox);
    else if (messageBox.open) messageBox.close();
    if (state.waiting === "ended") {
      cmdline.disabled = true;
      promptLabel.textContent = " ";
    }
    syncDrawing(state.drawing);
  }

  // Actions go one at a time, in order; cursor moves that pile up while one is on its way are
  // folded into the newest, so the dragged entity follows the mouse at the pace cadhost keeps.
  let pending = [];
  let sending = false;

  function send(action) {
    if (latest && latest.waiting === "ended") return;
    if (action.kind === "move") {
      const last = pending[pending.length - 1];
      if (last && last.kind === "move") {
        pending[pending.length - 1] = action;
        return;
      }
    } else {
      pending = pending.filter((waiting) => waiting.kind !== "move");
    }
    pending.push(action);
    pump();
  }

  async function pump() {
    if (sending) return;
    sending = true;
    while (pending.length > 0) {
      const action = pending.shift();
      try {
        applyState(await call("api/input", { ...action, from: transcriptBytes }));
      } catch (error) {
        statusText.textContent = `Not sent: ${error.message}`;
      }
    }
    sending = false;
  }

  async function watchState() {
    for (;;) {
      try {
        const version = latest ? latest.version : 0;
        applyState(await call(`api/state?version=${version}&from=${transcriptBytes}`));
        if (latest && latest.waiting === "ended") return;
      } catch (error) {
        statusText.textContent = "cadhost does not answer; it may have stopped";
        await new Promise((resolve) => setTimeout(resolve, 1000));
      }
    }
  }

  // --- the user's hands ---
  const waitingFor = (...kinds) => latest !== null && kinds.includes(latest.waiting);
  let pan = null;

  drawingSvg.addEventListener("mousemove", (event) => {
    const at = toWorld(event.clientX, event.clientY);
    coordinates.textContent = `${at.x.toFixed(4)}, ${at.y.toFixed(4)}`;
    if (pan) {
      view.centerX = pan.centerX - (event.clientX - pan.x) / view.scale;
      view.centerY = pan.centerY + (event.clientY - pan.y) / view.scale;
      applyView();
      return;
    }
    if (waitingFor("drag")) send({ kind: "move", x: at.x, y: at.y });
  });

  drawingSvg.addEventListener("mousedown", (event) => {
    if (event.button !== 1) return;
    event.preventDefault();
    pan = { x: event.clientX, y: event.clientY, centerX: view.centerX, centerY: view.centerY };
    drawingSvg.classList.add("panning");
  });

  window.addEventListener("mouseup", (event) => {
    if (event.button !== 1 || !pan) return;
    pan = null;
    drawingSvg.classList.remove("panning");
  });

  drawingSvg.addEventListener("click", (event) => {
    if (event.button !== 0 || !waitingFor("point", "entity", "drag")) return;
    const at = toWorld(event.clientX, event.clientY);
    send({ kind: "click", x: at.x, y: at.y });
  });

  drawingSvg.addEventListener("contextmenu", (event) => {
    event.preventDefault();
    if (waitingFor("point", "entity", "drag")) send({ kind: "enter" });
  });

  drawingSvg.addEventListener("wheel", (event) => {
    event.preventDefault();
    const before = toWorld(event.clientX, event.clientY);
    view.scale *= Math.exp(-event.deltaY * 0.0015);
    const after = toWorld(event.clientX, event.clientY);
    view.centerX += before.x - after.x;
    view.centerY += before.y - after.y;
    applyView();
  }, { passive: false });

  document.getElementById("command-form").addEventListener("submit", (event) => {
    event.preventDefault();
    const text = cmdline.value.trim();
    cmdline.value = "";
    send(text === "" ? { kind: "enter" } : { kind: "line", text });
  });

  document.addEventListener("keydown", (event) => {
    if (messageBox.open) return;
    if (event.key === "Escape") {
      event.preventDefault();
      cmdline.value = "";
      send({ kind: "escape" });
    } else if (event.key.length === 1 && !event.ctrlKey && !event.metaKey && !event.altKey &&
               document.activeElement !== cmdline) {
      cmdline.focus();
    }
  });

  function closeMessageBox() {
    if (messageBox.open) messageBox.close();
    send({ kind: "ok" });
    cmdline.focus();
  }

  document.getElementById("messagebox-ok").addEventListener("click", closeMessageBox);
  messageBox.addEventListener("cancel", (event) => {
    // Escape closes a box whose only button is OK as OK does.
    event.preventDefault();
    closeMessageBox();
  });

  document.getElementById("zoom-extents").addEventListener("click", zoomExtents);
  saveButton.addEventListener("click", () => send({ kind: "line", text: "save" }));
  window.addEventListener("resize", applyView);

  applyView();
  watchState();
})();
