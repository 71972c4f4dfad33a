// The replay page's template: HTML, CSS and script in one file that needs nothing else, with the
// game's data placed in a JSON script element between its two halves.
#include "match/web/replay.h"

namespace match {
namespace {

const char* const kBeforeData = R"page(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta name="viewport" content="width=device-width, initial-scale=1">
<title>Replay</title>
<style>
:root {
  --bg: #f3f4f7; --card: #fff; --ink: #1c2230; --muted: #5f6878; --line: #e0e3ea;
  --accent: #2457c5; --good: #1b7a3b; --bad: #b3261e; --row: 30px;
}
* { box-sizing: border-box; }
html { -webkit-text-size-adjust: 100%; }
body { margin: 0; background: var(--bg); color: var(--ink);
  font: 14px/1.4 system-ui, -apple-system, "Segoe UI", Roboto, "Noto Sans", "DejaVu Sans", Arial, sans-serif; }
.num { font-variant-numeric: tabular-nums; text-align: right; white-space: nowrap; }
header { padding: 12px 20px 6px; }
h1 { font-size: 19px; margin: 0; overflow-wrap: anywhere; }
#summary { color: var(--muted); margin: 2px 0 0; overflow-wrap: anywhere; }
#summary b { color: var(--ink); }
#controls { position: sticky; top: 0; z-index: 2; display: flex; flex-wrap: wrap; align-items: center;
  gap: 6px 8px; padding: 8px 20px; background: var(--bg); border-bottom: 1px solid var(--line); }
button { display: inline-flex; align-items: center; justify-content: center; gap: 6px; height: 34px;
  min-width: 40px; padding: 0 10px; font: inherit; color: var(--ink); background: var(--card);
  border: 1px solid #c4c9d3; border-radius: 6px; cursor: pointer; }
button:hover { background: #eaf0fc; }
button:disabled { opacity: .45; cursor: default; }
button svg { width: 16px; height: 16px; fill: currentColor; }
button:focus-visible, input:focus-visible { outline: 2px solid var(--accent); outline-offset: 1px; }
#play { width: 92px; }
#slider { flex: 1 1 220px; min-width: 140px; margin: 0 6px; accent-color: var(--accent); }
#turn-label { min-width: 13ch; font-weight: 600; }
#keys { color: var(--muted); font-size: 12px; }
main { display: grid; gap: 14px; padding: 14px 20px 28px; max-width: 1440px;
  grid-template-columns: minmax(320px, 1fr) 2.2fr;
  grid-template-areas: "market chart" "holdings holdings" "lists lists"; }
#lists { grid-area: lists; display: grid; gap: 14px; grid-template-columns: 1fr 1fr; min-width: 0; }
section { min-width: 0; background: var(--card); border: 1px solid var(--line); border-radius: 8px; padding: 10px 14px 12px; }
h2 { margin: 0 0 8px; font-size: 12px; font-weight: 700; letter-spacing: .05em; text-transform: uppercase; color: var(--muted); }
#market { grid-area: market; }
#chart-box { grid-area: chart; }
#holdings-box { grid-area: holdings; }
dl { display: grid; grid-template-columns: auto 1fr; gap: 8px 14px; margin: 0; }
dt { color: var(--muted); }
dd { margin: 0; white-space: nowrap; }  /* a wrap would move the lines below when numbers grow */
dd b { font-size: 16px; }
.meter { display: inline-flex; gap: 3px; vertical-align: -2px; margin-right: 6px; }
.meter i { width: 14px; height: 14px; border-radius: 3px; background: var(--line); }
.meter i.on { background: var(--accent); }
#mood-word { display: block; color: var(--muted); font-size: 13px; }
#chart { display: block; width: 100%; height: 210px; }
#chart text { font-size: 11px; fill: var(--muted); }
.scroll { overflow: auto; }
table { width: 100%; border-collapse: collapse; table-layout: fixed; }
th, td { height: var(--row); padding: 0 8px; border-bottom: 1px solid var(--line); white-space: nowrap;
  overflow: hidden; text-overflow: ellipsis; }
th { font-size: 12px; font-weight: 600; color: var(--muted); text-align: left; background: var(--card);
  position: sticky; top: 0; }
th.num { text-align: right; }
#holdings { min-width: 760px; }
/* Numbers get fixed widths, the player a share; the status takes what is left. */
#holdings col.who { width: 16%; }
#holdings col.n8 { width: 80px; }
#holdings col.n5 { width: 54px; }
#holdings col.n6 { width: 62px; }
#holdings col.n9 { width: 90px; }
tr.out td { color: var(--muted); }
tr.went-out td { background: #fdecea; }
tr.winner td:first-child { font-weight: 700; }
.swatch { display: inline-block; width: 12px; height: 12px; margin-right: 7px; border-radius: 3px; vertical-align: -1px; }
.list { height: 258px; }
#orders td:last-child { white-space: normal; height: auto; min-height: var(--row); padding: 5px 8px; }
.ok { color: var(--good); }
.no { color: var(--bad); }
.up { color: var(--good); }
.down { color: var(--bad); }
td.empty { color: var(--muted); font-style: italic; }
#nothing { padding: 40px 20px; color: var(--muted); }
@media (max-width: 860px) {
  header { padding: 10px 12px 4px; }
  #controls { padding: 6px 12px; gap: 6px; }
  #keys, #play-text { display: none; }
  #play { width: 40px; }
  #turn-label { min-width: 0; font-size: 13px; }  /* the slider below takes a line of its own */
  #slider { order: 9; flex-basis: 100%; margin: 2px 0 4px; }
  main { padding: 10px 12px 20px; gap: 10px; grid-template-columns: 1fr;
    grid-template-areas: "market" "chart" "holdings" "lists"; }
  #lists { grid-template-columns: 1fr; gap: 10px; }
  #chart { height: 180px; }
  /* Holdings as one card per player: name and status, then the numbers with their labels. */
  #holdings, #holdings tbody { display: block; min-width: 0; }
  #holdings thead, #holdings colgroup { display: none; }
  #holdings tr { display: grid; grid-template-columns: repeat(4, minmax(0, 1fr)); gap: 4px 8px; padding: 8px 2px;
    border-bottom: 1px solid var(--line); }
  #holdings td { display: block; height: auto; padding: 0; border: 0; text-align: left; }
  #holdings td:first-child { grid-column: span 2; font-weight: 600; }
  #holdings td[data-field=status] { grid-column: span 2; order: -1; text-align: right; }
  #holdings td:first-child { order: -2; }
  #holdings tr.went-out { background: #fdecea; }
  #holdings tr.went-out td { background: none; }
  #holdings td[data-label]::before { content: attr(data-label); display: block; font-size: 11px; color: var(--muted); }
  .list { height: 218px; }
}
</style>
</head>
<body>
<header>
  <h1 id="title">Replay</h1>
  <p id="summary"></p>
</header>
<nav id="controls" aria-label="turns">
  <button id="first" title="First turn (Home)" aria-label="first turn"><svg viewBox="0 0 16 16"><path d="M2 3h2v10H2zM14 3v10L5 8z"/></svg></button>
  <button id="prev" title="Previous turn (Left)" aria-label="previous turn"><svg viewBox="0 0 16 16"><path d="M12 3v10L4 8z"/></svg></button>
  <button id="play" title="Play or pause (Space)"><svg viewBox="0 0 16 16"><path id="play-icon" d="M4 2v12l10-6z"/></svg><span id="play-text">Play</span></button>
  <button id="next" title="Next turn (Right)" aria-label="next turn"><svg viewBox="0 0 16 16"><path d="M4 3v10l8-5z"/></svg></button>
  <button id="last" title="Last turn (End)" aria-label="last turn"><svg viewBox="0 0 16 16"><path d="M2 3v10l9-5zM12 3h2v10h-2z"/></svg></button>
  <span id="turn-label" class="num" aria-live="polite"></span>
  <input id="slider" type="range" min="0" max="0" step="1" value="0" aria-label="turn">
  <span id="keys">Keys: Left, Right, Home, End, Space</span>
</nav>
<main id="main">
  <section id="market">
    <h2>Market in this turn</h2>
    <dl>
      <dt>Mood</dt>
      <dd><span class="meter" id="meter"><i></i><i></i><i></i><i></i><i></i></span><b data-field="mood"></b> <span id="mood-word"></span></dd>
      <dt>Raw on offer</dt>
      <dd><b data-field="raw" class="num"></b> at <b data-field="min_raw_price" class="num"></b> or more</dd>
      <dt>Products wanted</dt>
      <dd><b data-field="prod" class="num"></b> at <b data-field="max_prod_price" class="num"></b> or less</dd>
      <dt>Sold</dt>
      <dd><span id="raw-sold" class="num"></span> raw<br><span id="prod-sold" class="num"></span> products</dd>
    </dl>
  </section>
  <section id="chart-box">
    <h2>Money after each turn</h2>
    <svg id="chart" role="img" aria-label="money of each player per turn"></svg>
  </section>
  <section id="holdings-box">
    <h2 id="holdings-title">Holdings after the turn</h2>
    <div class="scroll">
      <table id="holdings">
        <colgroup><col class="who"><col class="n8"><col class="n8"><col class="n5"><col class="n8"><col class="n6"><col class="n9"><col class="n9"><col class="n8"><col></colgroup>
        <thead><tr><th>Player</th><th class="num">Money</th><th class="num">Change</th><th class="num">Raw</th>
          <th class="num">Products</th><th class="num">Plants</th><th class="num">Automatic</th>
          <th class="num">Upgrading</th><th class="num">Building</th><th>Status</th></tr></thead>
        <tbody></tbody>
      </table>
    </div>
  </section>
  <div id="lists">
  <section id="orders-box">
    <h2>Orders</h2>
    <div class="scroll list">
      <table id="orders">
        <colgroup><col style="width:30%"><col style="width:28%"><col></colgroup>
        <thead><tr><th>Player</th><th>Order</th><th>Result</th></tr></thead>
        <tbody></tbody>
      </table>
    </div>
  </section>
  <section id="trades-box">
    <h2>Trades</h2>
    <div class="scroll list">
      <table id="trades">
        <colgroup><col style="width:30%"><col style="width:25%"><col><col><col></colgroup>
        <thead><tr><th>Player</th><th>Trade</th><th class="num">Units</th><th class="num">Price</th><th class="num">Total</th></tr></thead>
        <tbody></tbody>
      </table>
    </div>
  </section>
  </div>
</main>
<script type="application/json" id="replay-data">)page";

const char* const kAfterData = R"page(</script>
<script>
"use strict";
(function () {
  const data = JSON.parse(document.getElementById("replay-data").textContent);
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

  function showOrders(t) {
    const rows = [];
    const add = function (o, ok) {
      const tr = el("tr");
      tr.dataset.status = ok ? "accepted" : "refused";
      tr.appendChild(who(o.p));
      tr.appendChild(el("td", o.order));
      const result = el("td", ok ? "\u2713 accepted" : "\u2717 refused" + (o.reason ? ": " + o.reason : ""), ok ? "ok" : "no");
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
    if (hi <= lo) hi = lo + 1000;
    const step = niceStep(hi - lo, 5);
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
      svg("line", { x1: left, x2: right, y1: chart.y(v), y2: chart.y(v), stroke: v === 0 ? "#9aa1ad" : "#e6e8ee" }, box);
      svg("text", { x: left - 6, y: chart.y(v) + 4, "text-anchor": "end" }, box).textContent = fmt(v);
    }
    const xStep = Math.max(1, niceStep(span, Math.max(2, Math.floor((right - left) / 60))));
    for (let v = Math.ceil(first / xStep) * xStep; v <= lastTurn; v += xStep)
      svg("text", { x: chart.x(v), y: h - 6, "text-anchor": "middle" }, box).textContent = v;
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
</script>
</body>
</html>
)page";

}  // namespace

std::string ReplayPage(const std::string& data_json) { return kBeforeData + data_json + kAfterData; }

}  // namespace match
