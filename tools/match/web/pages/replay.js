"use strict";
(function () {
  const data = JSON.parse(document.getElementById("replay-data").textContent);
  // The SVG money chart's palette and tick count, so that both charts look alike.
  const chartStyle = JSON.parse(document.getElementById("chart-style").textContent);
  const turns = data.turns || [];
  const players = data.players || [];
  const field = {};
  (data.fields || []).forEach(function (name, i) { field[name] = i; });
  const MOOD_WORDS = ["scarce raw, eager buyers", "raw short, buyers keen", "balanced",
                      "raw ample, buyers cool", "plenty of raw, few buyers"];
  const OUT_WORDS = { bankrupt: "bankrupt", disconnected: "lost its connection or left", turn_limit: "lost at the turn limit" };
  const END_WORDS = { turn_limit: "turn limit reached", last_player: "one player left", all_out: "every player went out" };
  const PLAY_MS = 800;  // time each turn stays on screen while playing
  const SVG = "http://www.w3.org/2000/svg";
  const $ = function (id) { return document.getElementById(id); };
  let current = 0;
  let timer = null;

  function fmt(n) { return n === null || n === undefined ? "\u2013" : Number(n).toLocaleString("en-US"); }
  function value(h, name) { return h && field[name] !== undefined ? h[field[name]] : null; }
  function el(tag, text, cls) {
    const e = document.createElement(tag);
    if (text !== undefined && text !== null) e.textContent = text;
    if (cls) e.className = cls;
    return e;
  }
  function who(p) {
    const td = el("td");
    const sw = el("span", null, "swatch");
    const player = players[p];
    sw.style.background = player ? player.colour : "#999";
    td.appendChild(sw);
    td.appendChild(document.createTextNode(player ? player.name : "?"));
    td.title = player ? player.name : "";
    return td;
  }

  // The turn in which each player first shows as out, or the end's record of it.
  const outTurn = players.map(function (_, p) {
    for (const t of turns) if (value(t.holdings[p], "out")) return t.turn;
    return data.end && data.end.out_turn ? data.end.out_turn[p] : null;
  });

  function outText(p, h, t) {
    const word = value(h, "out_reason");
    const end = data.end;
    if (word === "turn_limit") return OUT_WORDS.turn_limit;
    let why = word ? (OUT_WORDS[word] || word) : null;
    // The server only saw the connection close; the match's ending says why and when (an error,
    // a crash).
    const ending = players[p] && players[p].ending;
    if (word === "disconnected" && ending) return ending;
    if (!why && end && end.reason === "turn_limit" && outTurn[p] === end.turn && end.winner !== p)
      return "lost at the turn limit";
    if (!why && value(h, "money") < 0) why = "bankrupt";
    const when = outTurn[p] === t.turn ? "went out" : "out in turn " + outTurn[p];
    return why ? when + ": " + why : when;
  }

  function statusText(p, h, t, last) {
    if (!h) return "\u2013";
    if (value(h, "out")) return outText(p, h, t);
    if (last && data.end && data.end.winner === p) return "winner";
    return "in the game";
  }

  function buildHoldings() {
    const body = document.querySelector("#holdings tbody");
    const labels = document.querySelectorAll("#holdings thead th");
    players.forEach(function (_, p) {
      const tr = el("tr");
      tr.dataset.player = players[p].name;
      tr.appendChild(who(p));
      ["money", "change", "raw", "prod", "fabrics", "auto_plants", "upgrading", "building"].forEach(function (f, k) {
        const td = el("td", null, "num");
        td.dataset.field = f;
        td.dataset.label = labels[k + 1].textContent;
        tr.appendChild(td);
      });
      const status = el("td");
      status.dataset.field = "status";
      tr.appendChild(status);
      body.appendChild(tr);
    });
  }

  function showHoldings(i) {
    const t = turns[i];
    const before = i > 0 ? turns[i - 1] : null;
    const last = i === turns.length - 1;
    $("holdings-title").textContent = "Holdings after turn " + t.turn;
    document.querySelectorAll("#holdings tbody tr").forEach(function (tr, p) {
      const h = t.holdings[p];
      tr.querySelectorAll("td[data-field]").forEach(function (td) {
        const f = td.dataset.field;
        if (f === "status") {
          td.textContent = statusText(p, h, t, last);
          td.title = td.textContent;
        } else if (f === "change") {
          const was = before ? value(before.holdings[p], "money") : null;
          const now = value(h, "money");
          const gone = before && value(before.holdings[p], "out");
          const diff = was === null || now === null || gone ? null : now - was;
          td.textContent = diff === null ? "" : (diff > 0 ? "+" : "") + fmt(diff);
          td.className = "num " + (diff > 0 ? "up" : diff < 0 ? "down" : "");
        } else {
          td.textContent = fmt(value(h, f));
        }
      });
      tr.classList.toggle("out", !!value(h, "out"));
      tr.classList.toggle("went-out", !!value(h, "out") && outTurn[p] === t.turn);
      tr.classList.toggle("winner", last && !!data.end && data.end.winner === p);
    });
  }

  function showMarket(t) {
    const m = t.market || {};
    document.querySelectorAll("#market [data-field]").forEach(function (e) { e.textContent = fmt(m[e.dataset.field]); });
    document.querySelectorAll("#meter i").forEach(function (e, k) { e.classList.toggle("on", k <= m.mood); });
    $("mood-word").textContent = MOOD_WORDS[m.mood] ? "(" + MOOD_WORDS[m.mood] + ")" : "";
    let raw = 0, prod = 0;
    t.trades.forEach(function (d) { if (d.kind === "raw") raw += d.n; else if (d.kind === "prod") prod += d.n; });
    $("raw-sold").textContent = fmt(raw) + " of " + fmt(m.raw);
    $("prod-sold").textContent = fmt(prod) + " of " + fmt(m.prod);
  }

  function fillRows(id, rows, empty, columns) {
    const body = document.querySelector("#" + id + " tbody");
    body.replaceChildren();
    if (rows.length === 0) {
      const td = el("td", empty, "empty");
      td.colSpan = columns;
      body.appendChild(el("tr")).appendChild(td);
    }
    rows.forEach(function (r) { body.appendChild(r); });
  }

  // A runtime error stopped the robot before it ended this turn: the server dropped its orders.
  function voided(p, t) { return !!players[p] && players[p].void_turn === t.turn; }

  function showOrders(t) {
    const rows = [];
    const add = function (o, ok) {
      const tr = el("tr");
      const status = ok && voided(o.p, t) ? "void" : ok ? "accepted" : "refused";
      tr.dataset.status = status;
      tr.appendChild(who(o.p));
      tr.appendChild(el("td", o.order));
      const text = { accepted: "\u2713 accepted", void: "\u2205 void: a runtime error stopped the robot in this turn",
                     refused: "\u2717 refused" + (o.reason ? ": " + o.reason : "") }[status];
      const result = el("td", text, status === "accepted" ? "ok" : "no");
      result.title = result.textContent;
      tr.appendChild(result);
      rows.push(tr);
    };
    t.orders.forEach(function (o) { add(o, true); });
    t.refused.forEach(function (o) { add(o, false); });
    fillRows("orders", rows, "No orders in this turn.", 3);
  }

  function showTrades(t) {
    fillRows("trades", t.trades.map(function (d) {
      const tr = el("tr");
      tr.dataset.kind = d.kind;
      tr.appendChild(who(d.p));
      tr.appendChild(el("td", d.kind === "raw" ? "bought raw" : d.kind === "prod" ? "sold products" : d.kind));
      tr.appendChild(el("td", fmt(d.n), "num"));
      tr.appendChild(el("td", fmt(d.price), "num"));
      tr.appendChild(el("td", fmt(d.n * d.price), "num"));
      return tr;
    }), "No trades in this turn.", 5);
  }

  // Per robot: the time it took, a mark when the timeout ended its turn, and what it printed.
  function buildPrinted() {
    const box = $("printed");
    players.forEach(function (pl, p) {
      const card = el("div", null, "robot");
      card.dataset.player = pl.name;
      const head = el("div", null, "robot-head");
      const name = el("span", pl.name, "robot-name");
      const sw = el("span", null, "swatch");
      sw.style.background = pl.colour;
      name.prepend(sw);
      head.appendChild(name);
      head.appendChild(el("span", null, "took num"));
      card.appendChild(head);
      card.appendChild(el("pre"));
      card.appendChild(el("div", null, "cut"));
      box.appendChild(card);
    });
  }

  function lineClass(line) {
    if (/^\s*~Robot/.test(line)) return "said";
    if (/^(~Error|~Try| :: )/.test(line)) return "error";
    return null;
  }

  function showPrinted(i) {
    const t = turns[i];
    const printed = (data.printed || [])[i] || [];
    document.querySelectorAll("#printed .robot").forEach(function (card, p) {
      const h = t.holdings[p];
      const gone = !h || (value(h, "out") && outTurn[p] !== t.turn);
      const took = gone ? null : value(h, "took_ms"), late = !gone && value(h, "timed_out");
      const head = card.querySelector(".took");
      head.textContent = late ? "timed out" + (took !== null ? " after " + fmt(took) + " ms" : "")
                              : took !== null ? fmt(took) + " ms" : "";
      head.classList.toggle("no", !!late);
      card.dataset.timedOut = late ? "true" : "false";
      const out = printed[p];
      const pre = card.querySelector("pre");
      pre.replaceChildren();
      (out ? out.lines : []).forEach(function (line) { pre.appendChild(el("span", line + "\n", lineClass(line))); });
      pre.classList.toggle("empty", !out);
      if (!out) pre.textContent = gone ? "Out of the game." : "Printed nothing in this turn.";
      pre.scrollTop = pre.scrollHeight;  // the turn's end first: the script's own lines, its orders, an error
      card.querySelector(".cut").textContent = out && out.cut ?
        fmt(out.cut) + (out.cut === 1 ? " earlier line" : " earlier lines") + " of this turn not shown" : "";
    });
  }

  // The money chart: lines drawn once per size, the marker moved on every step.
  const chart = { marker: null, x: null, y: null, top: 0, bottom: 0 };

  function niceStep(span, count) {
    const raw = span / count;
    const power = Math.pow(10, Math.floor(Math.log10(raw)));
    for (const m of [1, 2, 5, 10]) if (raw <= m * power) return m * power;
    return 10 * power;
  }

  function svg(tag, attrs, parent) {
    const e = document.createElementNS(SVG, tag);
    for (const k in attrs) e.setAttribute(k, attrs[k]);
    if (parent) parent.appendChild(e);
    return e;
  }

  function drawChart() {
    const box = $("chart");
    const w = Math.max(box.clientWidth, 200), h = Math.max(box.clientHeight, 120);
    box.replaceChildren();
    box.setAttribute("viewBox", "0 0 " + w + " " + h);
    let lo = 0, hi = 0;
    turns.forEach(function (t) {
      t.holdings.forEach(function (hd) {
        const m = value(hd, "money");
        if (m !== null) { lo = Math.min(lo, m); hi = Math.max(hi, m); }
      });
    });
    if (hi <= lo) hi = lo + chartStyle.flat_money_span;
    const step = niceStep(hi - lo, chartStyle.value_ticks);
    lo = Math.floor(lo / step) * step;
    hi = Math.ceil(hi / step) * step;
    const left = 58, right = w - 12, top = 10, bottom = h - 24;
    chart.top = top;
    chart.bottom = bottom;
    const first = turns[0].turn, lastTurn = turns[turns.length - 1].turn;
    const span = Math.max(lastTurn - first, 1);
    chart.x = function (turn) { return left + (turn - first) / span * (right - left); };
    chart.y = function (m) { return bottom - (m - lo) / (hi - lo) * (bottom - top); };
    for (let v = lo; v <= hi + step / 2; v += step) {
      svg("line", { x1: left, x2: right, y1: chart.y(v), y2: chart.y(v), stroke: chartStyle.grid }, box);
      svg("text", { x: left - 6, y: chart.y(v) + 4, "text-anchor": "end", fill: chartStyle.ink }, box).textContent = fmt(v);
    }
    // Turn labels at whole multiples of the step, plus the first turn.
    const xStep = Math.max(1, niceStep(span, Math.max(2, Math.floor((right - left) / 60))));
    for (let v = first; v <= lastTurn; v = v === first ? Math.max(first + 1, Math.ceil((first + 1) / xStep) * xStep) : v + xStep)
      svg("text", { x: chart.x(v), y: h - 6, "text-anchor": "middle", fill: chartStyle.ink }, box).textContent = v;
    svg("path", { d: "M" + left + " " + top + "V" + bottom + "H" + right, fill: "none", stroke: chartStyle.ink }, box);
    players.forEach(function (pl, p) {
      const points = [];
      for (const t of turns) {
        const m = value(t.holdings[p], "money");
        if (m === null) continue;
        points.push(chart.x(t.turn).toFixed(1) + "," + chart.y(m).toFixed(1));
        if (value(t.holdings[p], "out")) break;  // the line ends where the player went out
      }
      const line = svg("polyline", { points: points.join(" "), fill: "none", stroke: pl.colour, "stroke-width": 2 }, box);
      svg("title", {}, line).textContent = pl.name;
      // A cross where a player went out before the last turn.
      if (outTurn[p] !== null && outTurn[p] < lastTurn && points.length) {
        const [cx, cy] = points[points.length - 1].split(",").map(Number);
        svg("path", { d: "M" + (cx - 4) + " " + (cy - 4) + "l8 8m0 -8l-8 8", stroke: pl.colour, "stroke-width": 2.5 }, box);
      }
    });
    chart.marker = svg("g", {}, box);
    showMarker(current);
  }

  function showMarker(i) {
    if (!chart.marker) return;
    const t = turns[i];
    const g = chart.marker;
    g.replaceChildren();
    const x = chart.x(t.turn);
    svg("line", { x1: x, x2: x, y1: chart.top, y2: chart.bottom, stroke: "#1c2230", "stroke-width": 1.5,
                  "stroke-dasharray": "4 3" }, g);
    players.forEach(function (pl, p) {
      const h = t.holdings[p];
      const m = value(h, "money");
      if (m === null || (value(h, "out") && outTurn[p] !== t.turn)) return;
      svg("circle", { cx: x, cy: chart.y(m), r: 4.5, fill: pl.colour, stroke: "#fff", "stroke-width": 1.5 }, g);
    });
  }

  function setHash(turn) {
    const want = "#turn=" + turn;
    if (location.hash === want) return;
    try { history.replaceState(null, "", want); } catch (e) { location.replace(want); }
  }

  function show(i) {
    if (turns.length === 0) return;
    current = Math.max(0, Math.min(turns.length - 1, i));
    const t = turns[current];
    showMarket(t);
    showHoldings(current);
    showOrders(t);
    showTrades(t);
    showPrinted(current);
    showMarker(current);
    $("turn-label").textContent = "Turn " + t.turn + " of " + turns[turns.length - 1].turn;
    $("slider").value = current;
    $("slider").setAttribute("aria-valuetext", "turn " + t.turn);
    $("first").disabled = $("prev").disabled = current === 0;
    $("last").disabled = $("next").disabled = current === turns.length - 1;
    setHash(t.turn);
  }

  // The index of turn `turn`, or of the last turn before it; the first turn when there is none.
  function indexOf(turn) {
    let best = 0;
    turns.forEach(function (t, k) { if (t.turn <= turn) best = k; });
    return best;
  }

  function turnInHash() {
    const m = /(?:^#|[&;])turn=(-?\d+)/.exec(location.hash);
    return m ? Number(m[1]) : null;
  }

  function setPlaying(on) {
    if (on === (timer !== null)) return;
    if (on) {
      if (current === turns.length - 1) show(0);
      timer = setInterval(function () {
        if (current >= turns.length - 1) setPlaying(false);
        else show(current + 1);
      }, PLAY_MS);
    } else {
      clearInterval(timer);
      timer = null;
    }
    $("play-text").textContent = on ? "Pause" : "Play";
    $("play-icon").setAttribute("d", on ? "M3 2h4v12H3zM9 2h4v12H9z" : "M4 2v12l10-6z");
  }

  function step(to) { setPlaying(false); show(to); }

  function summary() {
    const s = $("summary");
    const parts = [players.length + (players.length === 1 ? " player" : " players")];
    if (data.seed !== null) parts.push("seed " + data.seed);
    if (turns.length) {
      const last = turns[turns.length - 1].turn;
      parts.push(last + (last === 1 ? " turn" : " turns"));
    }
    const end = data.end;
    if (end) parts.push(END_WORDS[end.reason] || String(end.reason));
    else parts.push("no end of game in the log");
    s.textContent = parts.join(" \u00b7 ");
    if (end && end.winner !== null && players[end.winner]) {
      s.appendChild(document.createTextNode(" \u00b7 winner "));
      s.appendChild(el("b", players[end.winner].name));
    } else if (end) {
      s.appendChild(document.createTextNode(" \u00b7 no winner"));
    }
  }

  document.title = data.title || "Replay";
  $("title").textContent = data.title || "Replay";
  summary();
  if (turns.length === 0) {
    $("main").replaceChildren(el("p", "This log holds no completed turn of the game.", null));
    $("main").firstChild.id = "nothing";
    document.querySelectorAll("#controls button, #slider").forEach(function (e) { e.disabled = true; });
    return;
  }
  buildHoldings();
  buildPrinted();
  $("slider").max = turns.length - 1;
  $("first").onclick = function () { step(0); };
  $("prev").onclick = function () { step(current - 1); };
  $("next").onclick = function () { step(current + 1); };
  $("last").onclick = function () { step(turns.length - 1); };
  $("play").onclick = function () { setPlaying(timer === null); };
  $("slider").addEventListener("input", function () { step(Number($("slider").value)); });
  window.addEventListener("keydown", function (e) {
    if (e.altKey || e.ctrlKey || e.metaKey) return;
    const keys = { ArrowLeft: current - 1, ArrowRight: current + 1, Home: 0, End: turns.length - 1 };
    if (e.key in keys) step(keys[e.key]);
    else if (e.key === " " || e.key === "Spacebar") setPlaying(timer === null);
    else return;
    e.preventDefault();
  });
  // A focused button would take Space as a click when the key comes up.
  window.addEventListener("keyup", function (e) { if (e.key === " ") e.preventDefault(); });
  window.addEventListener("hashchange", function () {
    const turn = turnInHash();
    if (turn !== null) step(indexOf(turn));
  });
  window.addEventListener("resize", drawChart);
  const start = turnInHash();
  show(start === null ? 0 : indexOf(start));
  drawChart();
})();
