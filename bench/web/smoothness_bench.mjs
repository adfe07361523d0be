// How smoothly the page answers fingers, at one device pixel per CSS pixel
// (headless Chromium composites in software; at three the copy of the
// canvas is most of each frame): frames presented a second over 5 s of four
// fingers dragging, against the simulation's steps and the screen's own
// beat (requestAnimationFrame), and the time from a touch to the first
// presented frame that shows its dent.
//
//   make web && node bench/web/smoothness_bench.mjs [PRESSES]
import { serveSite, openBrowser, openLumo, waitForTable, pause, stopServing } from '../../tests/web/site.mjs';

const presses = Number(process.argv[2] || 5);
const phone = { width: 390, height: 700, deviceScaleFactor: 1, isMobile: true, hasTouch: true };
// Above the panel, which takes the presses on it.
const fingers = [[100, 110], [290, 110], [100, 290], [290, 290]];

async function touch(session, type, points) {
  await session.send('Input.dispatchTouchEvent', {
    type, touchPoints: points.map(([x, y], id) => ({ x, y, id, radiusX: 5, radiusY: 5, force: 1 })),
  });
}

const counts = (page) => page.evaluate(() => ({
  frames: Module.lumoFramesPresented, steps: Module.ccall('lumo_steps_taken', 'number', [], []),
  beats: window.beats, at: performance.now(),
}));

async function dragFrameRate(page, session) {
  await page.evaluate(() => {
    window.beats = 0;
    const beat = () => { ++window.beats; requestAnimationFrame(beat); };
    requestAnimationFrame(beat);
  });
  await touch(session, 'touchStart', fingers);
  const before = await counts(page);
  const started = Date.now();
  for (let i = 1; Date.now() - started < 5000; ++i) {
    const a = i / 20;
    await touch(session, 'touchMove', fingers.map(([x, y]) => [x + 40 * Math.sin(a), y + 40 * (1 - Math.cos(a))]));
    await pause(16);
  }
  const after = await counts(page);
  await touch(session, 'touchEnd', []);
  const seconds = (after.at - before.at) / 1000;
  const rate = (key) => (after[key] - before[key]) / seconds;
  return { frames: rate('frames'), steps: rate('steps'), beats: rate('beats') };
}

// Each presented frame's pixels around the press, read from the canvas in
// the same task that drew them (the page's WebGL 2 context is the one
// getContext hands back); the first frame after the touch whose pixels
// there differ from the resting frame's by more than a level on average
// shows the dent.
async function touchToDent(page, session, [x, y]) {
  await page.evaluate(([x, y]) => {
    const canvas = document.getElementById('canvas');
    const gl = canvas.getContext('webgl2');
    const scale = canvas.width / canvas.getBoundingClientRect().width;
    const side = 16, px = Math.round(x * scale) - side / 2, py = canvas.height - Math.round(y * scale) - side / 2;
    const patch = new Uint8Array(side * side * 4);
    window.patches = [];
    window.touchedAt = null;
    window.addEventListener('touchstart', (event) => { window.touchedAt ??= event.timeStamp; }, { capture: true, once: true });
    let frames = Module.lumoFramesPresented;
    Object.defineProperty(Module, 'lumoFramesPresented', {
      configurable: true,
      get: () => frames,
      set: (count) => {
        frames = count;
        gl.readPixels(px, py, side, side, gl.RGBA, gl.UNSIGNED_BYTE, patch);
        window.patches.push([performance.now(), Array.from(patch)]);
      },
    });
  }, [x, y]);
  // A few frames at rest to compare with: frames that would show nothing
  // new are skipped, and the first call of the controls' probe asks for some.
  await page.evaluate(() => Module.ccall('lumo_controls', 'string', [], []));
  await pause(300);
  await touch(session, 'touchStart', [[x, y]]);
  await pause(600);
  await touch(session, 'touchEnd', []);
  return page.evaluate(() => {
    const rest = window.patches.findLast(([at]) => at < window.touchedAt)?.[1];
    const dent = window.patches.find(([at, patch]) => at >= window.touchedAt && rest &&
      patch.reduce((sum, value, i) => sum + Math.abs(value - rest[i]), 0) / patch.length > 1);
    return dent ? dent[0] - window.touchedAt : NaN;
  });
}

const server = await serveSite();
const browser = await openBrowser();
try {
  const { page } = await openLumo(browser, server, phone);
  await waitForTable(page);
  await pause(2500);  // the dome at rest
  const session = await page.createCDPSession();
  const drag = await dragFrameRate(page, session);
  console.log(`four fingers dragging for 5 s: ${drag.frames.toFixed(1)} frames presented a second, ` +
              `${drag.steps.toFixed(1)} simulation steps, ${drag.beats.toFixed(1)} animation frames (the screen's beat)`);
  await page.close();

  const latencies = [];
  for (let i = 0; i < presses; ++i) {
    const { page: fresh } = await openLumo(browser, server, phone);
    await waitForTable(fresh);
    await pause(2500);
    latencies.push(await touchToDent(fresh, await fresh.createCDPSession(), [195, 200]));
    await fresh.close();
  }
  const seen = latencies.filter(Number.isFinite).sort((a, b) => a - b);
  const median = seen.length ? seen[Math.floor(seen.length / 2)] : NaN;
  console.log(`touch to the first frame with its dent: ${seen.map((ms) => ms.toFixed(0)).join(', ')} ms ` +
              `(median ${median.toFixed(0)} ms; ${presses - seen.length} of ${presses} never seen)`);
} finally {
  await browser.close();
  await stopServing(server);
}
