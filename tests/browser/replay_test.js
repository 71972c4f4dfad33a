// Browser test of match's pages: plays a real game with match, opens its replay.html in the
// system Chromium and checks that turns reached through the address and through the controls
// show the same market, holdings, orders, trades and robot output as the game's log; then checks
// the money chart's legend, and the replay and a tournament report on a phone's screen.
// Usage: node replay_test.js MATCH_PROGRAM EXAMPLES_DIR WORK_DIR
"use strict";
const assert = require("assert");
const { spawnSync } = require("child_process");
const fs = require("fs");
const path = require("path");

const SKIP = 77;  // the exit status ctest reads as "skipped"
const CHROMIUM = process.env.CHROMIUM || "/usr/bin/chromium";
const SCRIPTS = ["builder.robot", "careful.robot", "undercutter.robot"];
// A robot with the longest name match gives, for the legend and the narrow screen, and one whose
// runtime error stops it in turn 2, so that its orders of that turn are void.
const LONG_NAME = "careful-with-a-name-made-longer";
const ERRING = "{ ?print \"before %d\", .turn_number; ?buy 1, 2000; $x := 5; if (.turn_number = 1) $y := $x[3]; ?turn }\n";
const TURNS = 24;
const HOSTS = "127.0.61.1-127.0.61.40";  // loopback addresses kept for this test's game servers
const WAIT_MS = 20000;  // generous bound for the page to reach a state

function skip(why) {
  // In CI a missing browser is a failure: the replay must be tested there.
  if (process.env.CI) { console.error("replay browser test cannot run: " + why); process.exit(1); }
  console.log("SKIPPED: " + why);
  process.exit(SKIP);
}

function playGame(match, robots, work) {
  const out = path.join(work, "game");
  fs.rmSync(out, { recursive: true, force: true });
  const args = ["--seed", "5", "--turns", String(TURNS), "--host-range", HOSTS, "--out", out, ...robots];
  const run = spawnSync(match, args, { encoding: "utf8", timeout: 120000 });
  assert.strictEqual(run.status, 0, "match failed:\n" + run.stdout + run.stderr);
  const events = fs.readFileSync(path.join(out, "game.jsonl"), "utf8").trim().split("\n").map(l => JSON.parse(l));
  const end = events.find(e => e.event === "end");
  const erring = end.players.find(p => p.name === "erring");
  assert.ok(erring && erring.out_turn, "the erring robot did not go out: " + JSON.stringify(end));
  return { page: "file://" + path.join(out, "replay.html"), chart: "file://" + path.join(out, "money.svg"),
           turns: events.filter(e => e.event === "turn"), voidTurn: erring.out_turn };
}

function playTournament(match, robots, work) {
  const out = path.join(work, "tournament");
  fs.rmSync(out, { recursive: true, force: true });
  const args = ["--tournament", "--rounds", "1", "--table", "3", "--turns", "6", "--seed", "3",
                "--host-range", HOSTS, "--out", out, ...robots];
  const run = spawnSync(match, args, { encoding: "utf8", timeout: 180000 });
  assert.strictEqual(run.status, 0, "the tournament failed:\n" + run.stdout + run.stderr);
  return "file://" + path.join(out, "report.html");
}

// What the page shows, read from the DOM.
function readPage() {
  const num = t => (t.trim() === "\u2013" ? null : Number(t.replace(/[,+]/g, "")));
  const text = e => e.textContent.trim();
  const market = {};
  document.querySelectorAll("#market [data-field]").forEach(e => { market[e.dataset.field] = num(e.textContent); });
  const holdings = {};
  document.querySelectorAll("#holdings tbody tr").forEach(tr => {
    const row = {};
    tr.querySelectorAll("td[data-field]").forEach(td => {
      row[td.dataset.field] = td.dataset.field === "status" ? text(td) : num(td.textContent);
    });
    holdings[tr.dataset.player] = row;
  });
  const rows = id => [...document.querySelectorAll("#" + id + " tbody tr")].filter(tr => tr.cells.length > 1);
  const printed = {};
  document.querySelectorAll("#printed .robot").forEach(card => {
    printed[card.dataset.player] = { took: text(card.querySelector(".took")), text: card.querySelector("pre").textContent,
                                     timedOut: card.dataset.timedOut === "true" };
  });
  return {
    hash: location.hash,
    label: text(document.getElementById("turn-label")),
    market,
    holdings,
    orders: rows("orders").map(tr => [text(tr.cells[0]), text(tr.cells[1]), tr.dataset.status]),
    trades: rows("trades").map(tr => [text(tr.cells[0]), tr.dataset.kind, num(tr.cells[2].textContent),
                                      num(tr.cells[3].textContent)]),
    printed,
  };
}

const HELD = ["money", "raw", "prod", "fabrics", "auto_plants", "upgrading", "building"];

async function expectTurn(page, game, turn, how) {
  const ev = game.turns.find(t => t.turn === turn);
  const last = game.turns[game.turns.length - 1].turn;
  const shown = await page.evaluate(readPage);
  const where = " (turn " + turn + ", " + how + ")";
  assert.strictEqual(shown.hash, "#turn=" + turn, "address" + where);
  assert.strictEqual(shown.label, "Turn " + turn + " of " + last, "turn label" + where);
  assert.deepStrictEqual(shown.market, ev.market, "market" + where);
  for (const p of ev.players) {
    const row = shown.holdings[p.name];
    assert.ok(row, "no holdings row for " + p.name + where);
    for (const f of HELD) assert.strictEqual(row[f], f in p ? p[f] : null, p.name + " " + f + where);
    const OUT = /^(went out|out in turn|lost at the turn limit|out for a lost connection|error -?\d+|crashed|killed|stopped)/;
    assert.match(row.status, p.out ? OUT : /^(in the game|winner)$/, p.name + " status" + where);
  }
  const refused = (ev.refused || []).map(o => [o.player, o.order, "refused"]);
  const accepted = o => (o.player === "erring" && turn === game.voidTurn ? "void" : "accepted");
  assert.deepStrictEqual(shown.orders, ev.orders.map(o => [o.player, o.order, accepted(o)]).concat(refused),
                         "orders" + where);
  // Each robot's own lines of this turn: the examples print the turns completed, the erring one
  // "before N"; the time each took and the timeout's mark where the log has them.
  for (const p of ev.players) {
    const card = shown.printed[p.name];
    assert.ok(card, "no output card for " + p.name + where);
    const said = p.name === "erring" ? "\"before " + (turn - 1) + "\"" :
                 [LONG_NAME, "careful"].includes(p.name) ? "\"turn " + (turn - 1) + ": money" : null;
    const playing = !p.out || game.turns.find(t => t.players.some(q => q.name === p.name && q.out)).turn === turn;
    if (said && playing) assert.ok(card.text.includes("~Robot said: " + said), p.name + " printed" + where + ":\n" + card.text);
    if ("timed_out" in p) assert.strictEqual(card.timedOut, p.timed_out, p.name + " timed out" + where);
    if ("took_ms" in p) assert.ok(card.took.includes(p.took_ms.toLocaleString("en-US") + " ms"), p.name + " took" + where);
  }
  assert.deepStrictEqual(shown.trades, ev.trades.map(t => [t.player, t.kind, t.n, t.price]), "trades" + where);
}

// Positions of the page's parts: stepping must not move them.
function layout() {
  return ["controls", "market", "chart-box", "holdings-box", "lists", "printed-box", "next"].map(id => {
    const r = document.getElementById(id).getBoundingClientRect();
    return [id, r.x, r.y, r.width, r.height].join(" ");
  });
}

// The texts of the elements of `selector` that are cut (their text overflows their box) or lie
// outside the window with no scrolling box of their own to bring them in.
function hidden(selector) {
  const inView = r => r.left >= -0.5 && r.right <= window.innerWidth + 0.5;
  const reachable = e => {
    for (let a = e.parentElement; a && a !== document.body; a = a.parentElement)
      if (/auto|scroll/.test(getComputedStyle(a).overflowX) && a.scrollWidth > a.clientWidth)
        return inView(a.getBoundingClientRect());
    return inView(e.getBoundingClientRect());
  };
  return [...document.querySelectorAll(selector)].filter(e => e.scrollWidth > e.clientWidth + 1 || !reachable(e))
    .map(e => e.textContent.trim());
}

// The texts of every chart label that runs past its SVG's width.
function pastTheChart() {
  return [...document.querySelectorAll("svg")].flatMap(svg => {
    const width = svg.viewBox.baseVal && svg.viewBox.baseVal.width ? svg.viewBox.baseVal.width : svg.width.baseVal.value;
    return [...svg.querySelectorAll("text")].filter(t => { const b = t.getBBox(); return b.x + b.width > width + 0.5; })
      .map(t => t.textContent);
  });
}

// The names in the report whose colour square sits on another line than they do.
function squaresApart() {
  return [...document.querySelectorAll("td span[style*=color]")].filter(square => {
    const range = document.createRange();
    range.selectNodeContents(square.parentElement);
    range.setStartAfter(square);
    return Math.abs(range.getClientRects()[0].top - square.getBoundingClientRect().top) > 4;
  }).map(square => square.parentElement.textContent);
}

async function checkPhone(page, url, where, selectors) {
  await page.setViewport({ width: 390, height: 844 });
  await page.goto("about:blank");
  await page.goto(url);
  const size = await page.evaluate(() => [document.body.scrollWidth, window.innerWidth]);
  assert.ok(size[0] <= size[1], where + " scrolls sideways on a phone: " + size);
  if (where === "report") assert.deepStrictEqual(await page.evaluate(squaresApart), [], "colour squares apart from their names");
  assert.deepStrictEqual(await page.evaluate(hidden, selectors), [], where + ": cut off on a phone");
  assert.deepStrictEqual(await page.evaluate(pastTheChart), [], where + ": chart labels past the chart");
}

// Share of pixels that differ from the top-left one, and the number of distinct colours, of a PNG.
async function inkOf(browser, png) {
  const page = await browser.newPage();
  const result = await page.evaluate(async src => {
    const img = new Image();
    img.src = src;
    await img.decode();
    const canvas = document.createElement("canvas");
    canvas.width = img.width;
    canvas.height = img.height;
    const ctx = canvas.getContext("2d");
    ctx.drawImage(img, 0, 0);
    const px = ctx.getImageData(0, 0, img.width, img.height).data;
    const colours = new Set();
    let ink = 0;
    for (let i = 0; i < px.length; i += 4) {
      const c = (px[i] << 16) | (px[i + 1] << 8) | px[i + 2];
      colours.add(c);
      if (c !== ((px[0] << 16) | (px[1] << 8) | px[2])) ++ink;
    }
    return { ink: ink / (px.length / 4), colours: colours.size };
  }, "data:image/png;base64," + png.toString("base64"));
  await page.close();
  return result;
}

async function main() {
  const [match, examples, work] = process.argv.slice(2);
  if (!work) { console.error("usage: node replay_test.js MATCH_PROGRAM EXAMPLES_DIR WORK_DIR"); process.exit(2); }
  let puppeteer;
  try { puppeteer = require("puppeteer-core"); } catch (e) { skip("puppeteer-core is not installed (npm ci in tests/browser)"); }
  if (!fs.existsSync(CHROMIUM)) skip(CHROMIUM + " is not installed (apt-get install chromium)");
  fs.mkdirSync(work, { recursive: true });
  fs.copyFileSync(path.join(examples, "careful.robot"), path.join(work, LONG_NAME + ".robot"));
  fs.writeFileSync(path.join(work, "erring.robot"), ERRING);
  const robots = SCRIPTS.map(s => path.join(examples, s)).concat([LONG_NAME, "erring"].map(s => path.join(work, s + ".robot")));
  const game = playGame(match, robots, work);
  assert.ok(game.turns.length >= 3, "the game is too short to step through");

  const args = process.getuid && process.getuid() === 0 ? ["--no-sandbox"] : [];
  const browser = await puppeteer.launch({ executablePath: CHROMIUM, headless: true, args });
  try {
    const page = await browser.newPage();
    const errors = [];
    page.on("pageerror", e => errors.push(String(e)));
    // The page is self-contained: nothing is fetched beyond the file itself.
    page.on("request", r => { if (!/^(file|about|data):/.test(r.url())) errors.push("fetched " + r.url()); });
    await page.setViewport({ width: 1280, height: 800 });
    const turnNumbers = game.turns.map(t => t.turn);
    const first = turnNumbers[0], last = turnNumbers[turnNumbers.length - 1];
    const busiest = game.turns.reduce((a, b) => (b.trades.length > a.trades.length ? b : a)).turn;
    const building = (game.turns.find(t => t.players.some(p => p.upgrading || p.building)) || game.turns[1]).turn;
    const middle = turnNumbers[Math.floor(turnNumbers.length / 2)];
    const wentOut = (game.turns.find((t, k) => k + 1 < game.turns.length && t.players.some(p => p.out)) ||
                     { turn: busiest }).turn;

    // A link with a turn opens that turn.
    for (const turn of [first, game.voidTurn, building, busiest, last]) {
      await page.goto("about:blank");
      await page.goto(game.page + "#turn=" + turn);
      await expectTurn(page, game, turn, "opened at #turn=" + turn);
    }
    // Changing the address moves the page along.
    await page.goto(game.page + "#turn=" + middle);
    await expectTurn(page, game, middle, "address changed");
    const before = await page.evaluate(layout);

    // Buttons, keys and the slider.
    const steps = [
      ["#next", null, middle + 1], [null, "ArrowRight", middle + 2], [null, "ArrowLeft", middle + 1],
      ["#prev", null, middle], [null, "End", last], ["#first", null, first], [null, "Home", first],
      ["#last", null, last], [null, "ArrowRight", last],
    ];
    for (const [button, key, turn] of steps) {
      if (button) await page.click(button);
      else await page.keyboard.press(key);
      await expectTurn(page, game, turn, button ? "button " + button : "key " + key);
    }
    assert.deepStrictEqual(await page.evaluate(layout), before, "the layout moved while stepping");
    await page.$eval("#slider", (s, k) => { s.value = k; s.dispatchEvent(new Event("input")); },
                     turnNumbers.indexOf(building));
    await expectTurn(page, game, building, "slider");

    // Play runs through the turns until Space pauses it.
    await page.click("#play");
    await page.waitForFunction(t => location.hash !== "#turn=" + t, { timeout: WAIT_MS }, building);
    await page.keyboard.press("Space");
    assert.strictEqual(await page.$eval("#play-text", e => e.textContent), "Play", "Space pauses");
    const paused = Number((await page.evaluate(() => location.hash)).split("=")[1]);
    assert.ok(paused > building, "play moved forward");
    await expectTurn(page, game, paused, "after play and pause");
    assert.deepStrictEqual(errors, [], "errors or fetches in the page");

    // Screenshots of one turn, at a desktop and at a phone size, for the eye and for the check.
    for (const [w, h] of [[1280, 800], [390, 844]]) {
      await page.setViewport({ width: w, height: h });
      await page.goto("about:blank");
      await page.goto(game.page + "#turn=" + wentOut);
      const shot = await page.screenshot({ path: path.join(work, "replay-" + w + "x" + h + ".png") });
      const { ink, colours } = await inkOf(browser, shot);
      assert.ok(ink > 0.05 && colours > 20, "screenshot " + w + "x" + h + " looks blank: " + JSON.stringify({ ink, colours }));
      const wide = await page.evaluate(() => document.documentElement.scrollWidth);
      assert.ok(wide <= w, "the page is wider than a " + w + " px window: " + wide);
      const here = await page.evaluate(layout);
      await page.keyboard.press("ArrowLeft");
      assert.deepStrictEqual(await page.evaluate(layout), here, "the layout moved at " + w + "x" + h);
    }

    // On a phone: kinds, prices and orders whole, nothing past the window but what scrolls in its box.
    for (const turn of [busiest, game.voidTurn])
      await checkPhone(page, game.page + "#turn=" + turn, "replay",
                       "#market [data-field], #orders td:nth-child(2), #orders td:nth-child(3), #trades td:nth-child(n+2)");
    await page.goto(game.chart);
    assert.deepStrictEqual(await page.evaluate(pastTheChart), [], "money.svg: labels past the chart");
    await checkPhone(page, playTournament(match, robots, work), "report", "th, td");
    assert.deepStrictEqual(errors, [], "errors or fetches in the pages");
  } finally {
    await browser.close();
  }
  console.log("replay, chart and report checked in " + CHROMIUM + " over " + game.turns.length + " turns; screenshots in " + work);
}

main().catch(e => { console.error(e && e.stack ? e.stack : e); process.exit(1); });
