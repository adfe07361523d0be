// How the page bears a 12-megapixel photo chosen in the browser's chooser:
// from the choice to the photo on the dome, the longest gap between frames
// and the longest task on the page's thread, with the picture decoded in a
// worker and (Worker taken away) on the page's thread.
//
//   make web && node bench/web/photo_pick_bench.mjs [RUNS]
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { serveSite, openBrowser, openLumo, waitForTable, pause, stopServing } from '../../tests/web/site.mjs';
import { clickCaption, waitGone } from '../../tests/web/controls.mjs';

const runs = Number(process.argv[2] || 3);
const phone = { width: 390, height: 700, deviceScaleFactor: 2, isMobile: true, hasTouch: true };
const photo = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'lumo-bench-')), 'photo.jpg');

// A 4000 x 3000 JPEG with enough in it to cost what a photo costs.
async function makePhoto(page) {
  const bytes = await page.evaluate(async () => {
    const canvas = new OffscreenCanvas(4000, 3000);
    const c = canvas.getContext('2d');
    for (let i = 0; i < 3000; ++i) {
      c.fillStyle = `hsl(${(i * 37) % 360} 70% ${30 + (i * 13) % 40}%)`;
      c.fillRect((i * 97) % 4000, (i * 53) % 3000, 300, 200);
    }
    return [...new Uint8Array(await (await canvas.convertToBlob({ type: 'image/jpeg', quality: 0.92 })).arrayBuffer())];
  });
  fs.writeFileSync(photo, Buffer.from(bytes));
}

async function pickOnce(browser, server, where) {
  const context = await browser.createBrowserContext();
  const beforeLoad = where === 'page' ? () => { delete window.Worker; } : null;
  const { page } = await openLumo(context, server, phone, { beforeLoad });
  await waitForTable(page);
  if (!fs.existsSync(photo)) await makePhoto(page);
  await page.evaluate(() => {
    window.frameTimes = [];
    window.longTasks = [];
    const tick = (t) => { window.frameTimes.push(t); requestAnimationFrame(tick); };
    requestAnimationFrame(tick);
    new PerformanceObserver((list) => {
      for (const e of list.getEntries()) window.longTasks.push([e.startTime, e.duration]);
    }).observe({ entryTypes: ['longtask'] });
  });
  await clickCaption(page, 'Load');
  const [chooser] = await Promise.all([page.waitForFileChooser({ timeout: 15000 }), clickCaption(page, 'Texutre')]);
  const chosenAt = await page.evaluate(() => performance.now());
  await chooser.accept([photo]);
  await waitGone(page, 'Choose a Picture', 30000);
  await page.waitForFunction(() => Module.ccall('lumo_animating', 'number', [], []) === 1);
  const onDomeAt = await page.evaluate(() => performance.now());
  await pause(500);
  const { frameTimes, longTasks } = await page.evaluate(() => ({ frameTimes: window.frameTimes, longTasks: window.longTasks }));
  await context.close();
  let gap = 0;
  for (let i = 1; i < frameTimes.length; ++i)
    if (frameTimes[i] >= chosenAt && frameTimes[i - 1] <= onDomeAt) gap = Math.max(gap, frameTimes[i] - frameTimes[i - 1]);
  const task = Math.max(0, ...longTasks.filter(([start]) => start >= chosenAt && start <= onDomeAt).map(([, d]) => d));
  return { onDome: onDomeAt - chosenAt, gap, task };
}

const server = await serveSite();
const browser = await openBrowser();
try {
  for (const where of ['worker', 'page']) {
    const results = [];
    for (let run = 0; run < runs; ++run) results.push(await pickOnce(browser, server, where));
    const span = (key) => {
      const values = results.map((r) => r[key]).sort((a, b) => a - b);
      return `${values[0].toFixed(0)}..${values[values.length - 1].toFixed(0)} ms`;
    };
    console.log(`decoded by the ${where.padEnd(6)}  chosen to on the dome ${span('onDome')}, ` +
                `longest frame gap ${span('gap')}, longest task ${span('task')}  (${runs} runs)`);
  }
} finally {
  await browser.close();
  await stopServing(server);
  fs.rmSync(path.dirname(photo), { recursive: true, force: true });
}
