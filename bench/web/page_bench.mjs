// The page in headless Chromium (no GPU), each figure beside its goal,
// unthrottled and with the page's thread slowed four times (CDP's CPU
// throttling, a mid-range phone):
//   - a visit: navigation to the first frame and to the first frame that
//     shows the whole dome, the longest gap between animation frames from
//     the first frame to the whole dome (none when they are one frame), the
//     task that brought the first frame, the table's cost on the page's
//     thread (publishing and copying rows) and its wall time, and the
//     workers' own time (whether throttling slows them);
//   - a 12-megapixel photo chosen: to the dome moving again, its longest
//     task and frame gap (decoded by a worker, and by the page's thread);
//   - Save: to "saved", its longest task and frame gap;
//   - the simulation's step alone (lumo_time_steps);
//   - a first visit over CDP's slow 4G (about 1.6 Mbit/s, 150 ms latency):
//     to the first frame, and how the bar moved;
//   - the site's size.
// Long tasks are those the browser reports, over 50 ms; the frame gaps
// show shorter ones.
// Runs at one device pixel per CSS pixel: at more, software compositing
// dominates every frame here.
//
//   make web && node bench/web/page_bench.mjs [RUNS]        (LUMO_SITE=folder for another build)
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { serveSite, openBrowser, waitForTable, pause, stopServing, siteFolder, photoBytes } from '../../tests/web/site.mjs';
import { clickCaption, waitGone, findItem } from '../../tests/web/controls.mjs';

const runs = Number(process.argv[2] || 3);
const viewport = { width: 390, height: 700, deviceScaleFactor: 1, isMobile: true, hasTouch: true };
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'lumo-bench-'));
const photo = path.join(scratch, 'photo.jpg');

// Animation frames and long tasks as the page sees them, from its start.
function watchFrames() {
  window.benchFrames = [];
  window.benchTasks = [];
  const tick = (t) => { window.benchFrames.push(t); requestAnimationFrame(tick); };
  requestAnimationFrame(tick);
  new PerformanceObserver((list) => {
    for (const e of list.getEntries()) window.benchTasks.push([e.startTime, e.duration]);
  }).observe({ type: 'longtask', buffered: true });
}

async function newPage(browser, rate, { network = null, beforeLoad = null } = {}) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setViewport(viewport);
  const cdp = await page.createCDPSession();
  await cdp.send('Emulation.setCPUThrottlingRate', { rate });
  if (network) {
    await cdp.send('Network.enable');
    await cdp.send('Network.setCacheDisabled', { cacheDisabled: true });
    await cdp.send('Network.emulateNetworkConditions', network);
  }
  await page.evaluateOnNewDocument(watchFrames);
  if (beforeLoad) await page.evaluateOnNewDocument(beforeLoad);
  return { page, context, cdp };
}

// The longest gap between animation frames and the longest task in [from, to].
async function stalls(page, from, to) {
  return page.evaluate((from, to) => {
    let gap = 0;
    const f = window.benchFrames;
    for (let i = 1; i < f.length; ++i) if (f[i] >= from && f[i - 1] <= to) gap = Math.max(gap, f[i] - f[i - 1]);
    const task = Math.max(0, ...window.benchTasks.filter(([s, d]) => s + d >= from && s <= to).map(([, d]) => d));
    return { gap, task };
  }, from, to);
}

async function visit(browser, server, rate) {
  const { page, context } = await newPage(browser, rate);
  await page.goto(`http://127.0.0.1:${server.address().port}/`);
  await page.waitForFunction(() => window.Module && Module.lumoMetrics && Module.lumoMetrics.wholeDomeFrame > 0,
                             { timeout: 120000 });
  await waitForTable(page);
  const m = await page.evaluate(() => ({
    first: Module.lumoFirstFrameAt,
    dome: Module.lumoFrameTimes[Module.lumoMetrics.wholeDomeFrame - 1],
    mainMs: Module.lumoMetrics.tableMainThreadMs + (window.lumoTableRows ? window.lumoTableRows.metrics.copyMs : 0),
    workerMs: window.lumoTableRows ? window.lumoTableRows.metrics.workerMs : 0,
    farmStart: window.lumoTableRows ? window.lumoTableRows.metrics.startedAt : 0,
    farmDone: window.lumoTableRows ? window.lumoTableRows.metrics.doneAt : 0,
    step: Module.ccall('lumo_time_steps', 'number', ['number'], [200]) / 200,
  }));
  // Frames drawn while the dome is still incomplete: none when the whole
  // dome comes with the first frame.
  const gap = m.dome > m.first ? await page.evaluate((from, to) => {
    let longest = 0;
    const f = window.benchFrames;
    for (let i = 1; i < f.length; ++i) if (f[i - 1] >= from && f[i - 1] <= to) longest = Math.max(longest, f[i] - f[i - 1]);
    return longest;
  }, m.first, m.dome) : 0;
  const startTask = (await stalls(page, m.first, m.first)).task;
  if (!fs.existsSync(photo)) await makePhoto(page);
  return { page, context, ...m, gap, startTask };
}

async function makePhoto(page) {
  fs.writeFileSync(photo, await photoBytes(page));
}

async function pickPhoto(page) {
  await clickCaption(page, 'Load');
  const [chooser] = await Promise.all([page.waitForFileChooser({ timeout: 15000 }), clickCaption(page, 'Texutre')]);
  const chosenAt = await page.evaluate(() => performance.now());
  await chooser.accept([photo]);
  await waitGone(page, 'Choose a Picture', 60000);
  await page.waitForFunction(() => Module.ccall('lumo_animating', 'number', [], []) === 1);
  const onDomeAt = await page.evaluate(() => performance.now());
  return { ms: onDomeAt - chosenAt, ...(await stalls(page, chosenAt, onDomeAt)) };
}

async function save(page) {
  await pause(300);
  const before = await page.evaluate(() => performance.now());
  await clickCaption(page, 'Save');
  // clickCaption waits a little after the click; the click itself was before that.
  const saved = await findItem(page, 'saved', { kind: 'text', timeout: 30000 });
  const at = await page.evaluate(() => performance.now());
  const result = { ms: at - before, ...(await stalls(page, before, at)), ok: !!saved };
  await clickCaption(page, 'OK');
  return result;
}

async function slowFirstVisit(browser, server) {
  const network = { offline: false, latency: 150, downloadThroughput: 1.6e6 / 8, uploadThroughput: 750e3 / 8 };
  const { page, context } = await newPage(browser, 1, { network });
  await page.evaluateOnNewDocument(() => {
    window.benchBar = [];
    const sample = () => {
      const bar = document.querySelector('#status-bar div');
      if (bar) window.benchBar.push([performance.now(), parseFloat(bar.style.width) || 0]);
      if (!(window.Module && Module.lumoFramesPresented > 0)) setTimeout(sample, 100);
    };
    setTimeout(sample, 100);
  });
  await page.goto(`http://127.0.0.1:${server.address().port}/`, { timeout: 120000 });
  await page.waitForFunction(() => window.Module && Module.lumoFramesPresented > 0, { timeout: 120000 });
  const result = await page.evaluate(() => {
    const bar = window.benchBar;
    const moving = bar.filter(([, w]) => w > 0);
    let steps = 0;
    for (let i = 1; i < bar.length; ++i) if (bar[i][1] !== bar[i - 1][1]) ++steps;
    let still = 0;
    for (let i = 1; i < moving.length; ++i) still = Math.max(still, moving[i][0] - moving[i - 1][0]);
    const paint = performance.getEntriesByName('first-contentful-paint')[0];
    return { first: Module.lumoFirstFrameAt, shown: paint ? paint.startTime : -1,
             barFrom: moving.length ? moving[0][0] : -1, steps };
  });
  await context.close();
  return result;
}

const ms = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted.length > 1 ? `${sorted[0].toFixed(0)}..${sorted[sorted.length - 1].toFixed(0)} ms`
    : `${sorted[0].toFixed(0)} ms`;
};
const line = (label, value, goal) => console.log(`  ${label.padEnd(44)} ${value.padEnd(18)} ${goal}`);

const folder = process.env.LUMO_SITE || siteFolder;
const server = await serveSite(folder);
const browser = await openBrowser();
try {
  const files = fs.readdirSync(folder, { recursive: true }).filter((f) => fs.statSync(path.join(folder, f)).isFile());
  const bytes = files.reduce((sum, f) => sum + fs.statSync(path.join(folder, f)).size, 0);
  console.log(`the site: ${files.length} files, ${(bytes / 1e6).toFixed(3)} MB (lumo.wasm ${
    (fs.statSync(path.join(folder, 'lumo.wasm')).size / 1e6).toFixed(3)} MB)    goal: at most 1.6 MB`);
  for (const rate of [1, 4]) {
    console.log(rate === 1 ? 'unthrottled' : 'the page\'s thread slowed 4x (CDP CPU throttling)');
    const visits = [], photos = [], photosHere = [], saves = [];
    for (let run = 0; run < runs; ++run) {
      const v = await visit(browser, server, rate);
      visits.push(v);
      photos.push(await pickPhoto(v.page));
      saves.push(await save(v.page));
      await v.context.close();
      const { page, context } = await newPage(browser, rate, { beforeLoad: () => { delete window.Worker; } });
      await page.goto(`http://127.0.0.1:${server.address().port}/`);
      await waitForTable(page);
      photosHere.push(await pickPhoto(page));
      await context.close();
    }
    const goal = (one, four) => `goal: ${rate === 1 ? one : four}`;
    line('navigation to the first frame', ms(visits.map((v) => v.first)), 'goal: no later than before');
    line('navigation to the whole dome', ms(visits.map((v) => v.dome)), goal('at most 400 ms', 'at most 1000 ms'));
    line('longest frame gap, first frame to whole dome', visits.every((v) => v.dome <= v.first) ? 'none: one frame'
      : ms(visits.map((v) => v.gap)), goal('at most 34 ms', '-'));
    line('  the task that brings the first frame', ms(visits.map((v) => v.startTask)), '(the program starting)');
    line('table: page\'s thread / workers\' own time', `${ms(visits.map((v) => v.mainMs))} / ${
      ms(visits.map((v) => v.workerMs))}`, '(workers slowed by throttling?)');
    line('table: workers from the program\'s ask to done', ms(visits.map((v) => Math.max(0, v.farmDone - v.farmStart))), '');
    line('one simulation step', `${Math.min(...visits.map((v) => v.step)).toFixed(2)} ms`, '');
    line('photo chosen to the dome moving again', ms(photos.map((p) => p.ms)), '');
    line('  longest task / frame gap meanwhile', `${ms(photos.map((p) => p.task))} / ${ms(photos.map((p) => p.gap))}`,
         goal('no turn over 34 ms', '-'));
    line('photo, decoded on the page\'s thread: task', ms(photosHere.map((p) => p.task)), '(no Worker)');
    line('Save to "saved"', ms(saves.map((s) => s.ms)), saves.every((s) => s.ok) ? '' : 'NOT SAVED');
    line('  longest task / frame gap meanwhile', `${ms(saves.map((s) => s.task))} / ${ms(saves.map((s) => s.gap))}`,
         goal('no turn over 34 ms', '-'));
  }
  const slow = await slowFirstVisit(browser, server);
  console.log('a first visit over slow 4G (1.6 Mbit/s, 150 ms), nothing cached');
  line('navigation to the first frame', `${slow.first.toFixed(0)} ms`, 'goal: within 9000 ms');
  line('the bar on screen (first paint)', `${slow.shown.toFixed(0)} ms`, 'goal: from the first 100 ms (after the page arrives)');
  line('the bar first moved / times it moved', `${slow.barFrom.toFixed(0)} ms / ${slow.steps}`, 'goal: moving');
} finally {
  await browser.close();
  await stopServing(server);
  fs.rmSync(scratch, { recursive: true, force: true });
}
