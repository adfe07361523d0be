// lumo's page in headless Chromium: real touches through the DevTools
// protocol, real device-motion events, the page hidden and shown, and the
// drawing compared with the desktop program's.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

import { decodePng, compareRegion } from './png.mjs';
import { serveSite, openBrowser, openLumo, waitForTable, pause, nativeLumo } from './site.mjs';
import { controls, findItem, restShapeHash } from './controls.mjs';

// A phone: 390 x 700 CSS pixels at 2 device pixels each, with touch. The
// 2:3 view is 390 x 585, letterboxed 57.5 pixels from the top.
const phone = { width: 390, height: 700, deviceScaleFactor: 2, isMobile: true, hasTouch: true };
// 585 of the 700 points are the 2:3 view; the panel does not fit in the
// rest, so the view goes to the top and the panel over its foot.
const viewTop = 0;

let server, browser;
before(async () => {
  server = await serveSite();
  browser = await openBrowser();
});
after(async () => {
  await browser?.close();
  server?.close();
});

async function shot(page) {
  return decodePng(Buffer.from(await page.screenshot({ type: 'png' })));
}

// A square of `size` CSS pixels around a point of the view, in device pixels.
function around(x, y, size = 60, scale = 2) {
  return { x: Math.round((x - size / 2) * scale), y: Math.round((viewTop + y - size / 2) * scale),
           width: size * scale, height: size * scale };
}

// Touches through the DevTools protocol, as a touchscreen sends them; one
// session per page keeps track of the fingers that are down.
const sessions = new WeakMap();
async function touch(page, type, points) {
  if (!sessions.has(page)) sessions.set(page, await page.createCDPSession());
  await sessions.get(page).send('Input.dispatchTouchEvent', {
    type,
    touchPoints: points.map(([x, y], id) => ({ x, y: viewTop + y, id, radiusX: 5, radiusY: 5, force: 1 })),
  });
}

// The phone page with its table built and the dome come to rest.
async function restingPhonePage() {
  const opened = await openLumo(browser, server, phone);
  await waitForTable(opened.page);
  await pause(2500);
  return opened;
}

test('the page loads without a console error and draws the lit picture on the dome', async () => {
  const { page, problems, firstFrameMs } = await openLumo(browser, server, phone);
  await waitForTable(page);
  const metrics = await page.evaluate(() => ({ ...Module.lumoMetrics, firstFrameAt: Module.lumoFirstFrameAt }));
  console.log(`first frame ${firstFrameMs} ms after navigation (page: ${metrics.firstFrameAt.toFixed(0)} ms); ` +
              `table built in ${metrics.tableBuildMs.toFixed(0)} ms, longest slice ${metrics.tableSliceLongestMs.toFixed(1)} ms; ` +
              `a frame's turn ${metrics.frameMs.toFixed(2)} ms`);
  assert.deepEqual(problems, []);
  assert.ok(metrics.tableSliceLongestMs < 30, 'the table is built in slices between frames');
  const picture = await shot(page);
  // The view's middle shows the picture, not the clear colour or black.
  const middle = around(195, 290, 100);
  let lit = 0;
  for (let y = middle.y; y < middle.y + middle.height; y += 4) {
    for (let x = middle.x; x < middle.x + middle.width; x += 4) {
      const i = (y * picture.width + x) * 4;
      const [r, g, b] = [picture.pixels[i], picture.pixels[i + 1], picture.pixels[i + 2]];
      if (!(Math.abs(r - 128) < 3 && Math.abs(g - 128) < 3 && Math.abs(b - 128) < 3) && r + g + b > 60) ++lit;
    }
  }
  assert.ok(lit > 0.9 * (middle.width / 4) * (middle.height / 4), 'the middle of the view is drawn');
  // Letterboxed: the view at the top, the bar below it black where the panel
  // over the view's foot leaves it bare (its margin at the left).
  const bar = compareRegion(picture, { width: picture.width, height: picture.height,
    pixels: Buffer.alloc(picture.pixels.length) }, { x: 0, y: 2 * 590, width: 2 * 6, height: 2 * 100 });
  assert.ok(bar.mean < 1, 'the bar below the view is black');
  await page.close();
});

test('the table built in the page has the same bits as the native one', async () => {
  const { page } = await openLumo(browser, server, phone);
  await waitForTable(page);
  const hash = await page.evaluate(() => Module.ccall('lumo_table_hash', 'string', [], []));
  assert.equal(hash, '85bc6bfcd3371e21');  // tests/sim/determinism_test.cpp, checked natively
  await page.close();
});

test('two fingers dent the dome where they press, and it settles back after they lift', async () => {
  const { page, problems } = await restingPhonePage();
  // Both above the control panel, which takes the presses on it.
  const fingers = [[120, 180], [270, 300]];
  const atRest = await shot(page);
  await touch(page, 'touchStart', fingers);
  await pause(800);
  const pressed = await shot(page);
  for (const [x, y] of fingers) {
    const dent = compareRegion(atRest, pressed, around(x, y));
    assert.ok(dent.mean > 3, `the picture changes under the finger at ${x}, ${y} (mean ${dent.mean.toFixed(2)})`);
  }
  // Far from both fingers, near the rim, little moves.
  const rim = compareRegion(atRest, pressed, around(30, 40, 30));
  assert.ok(rim.mean < compareRegion(atRest, pressed, around(120, 180)).mean);
  await touch(page, 'touchEnd', []);
  await pause(3500);
  const settled = await shot(page);
  for (const [x, y] of fingers) {
    const back = compareRegion(atRest, settled, around(x, y));
    assert.ok(back.mean < 1.5, `the dent at ${x}, ${y} springs back (mean ${back.mean.toFixed(2)})`);
  }
  assert.deepEqual(problems, []);
  await page.close();
});

test('four fingers press at once', async () => {
  const { page } = await restingPhonePage();
  const fingers = [[100, 110], [290, 110], [100, 290], [290, 290]];
  const atRest = await shot(page);
  await touch(page, 'touchStart', fingers);
  await pause(800);
  const pressed = await shot(page);
  fs.writeFileSync(path.join(os.tmpdir(), 'lumo-four-fingers.png'), await page.screenshot({ type: 'png' }));
  for (const [x, y] of fingers)
    assert.ok(compareRegion(atRest, pressed, around(x, y)).mean > 2.5, `a dent at ${x}, ${y}`);
  await touch(page, 'touchEnd', []);
  await page.close();
});

// The display draws at the screen's rate, between the simulation's steps
// (twenty a second), which stay the simulation's own: a drag outside edit
// mode leaves the rest shape as it was.
test('while four fingers drag, more frames are presented than steps taken, and the rest shape stays', async () => {
  const { page, problems } = await restingPhonePage();
  const rest = await restShapeHash(page);
  const counts = () => page.evaluate(() => [Module.lumoFramesPresented, Module.ccall('lumo_steps_taken', 'number', [], [])]);
  const start = [[100, 110], [290, 110], [100, 290], [290, 290]];
  await touch(page, 'touchStart', start);
  const [frames0, steps0] = await counts();
  for (let i = 1; i <= 60; ++i) {
    await touch(page, 'touchMove', start.map(([x, y]) => [x + 30 * Math.sin(i / 10), y + 30 * (1 - Math.cos(i / 10))]));
    await pause(30);
  }
  const [frames1, steps1] = await counts();
  await touch(page, 'touchEnd', []);
  const frames = frames1 - frames0, steps = steps1 - steps0;
  assert.ok(steps > 10, `the simulation stepped (${steps} steps)`);
  assert.ok(frames > steps, `${frames} frames presented for ${steps} steps`);
  await pause(3000);
  assert.equal(await restShapeHash(page), rest);
  assert.deepEqual(problems, []);
  await page.close();
});

test('a short tap in the middle band hides the panel', async () => {
  const { page } = await restingPhonePage();
  const before = await shot(page);
  // The panel sits along the bottom of the view.
  const panelArea = { x: 40, y: Math.round((viewTop + 500) * 2), width: 700, height: 120 };
  // A tap is at most 0.25 s as the program sees it; on a busy machine the
  // browser may deliver the lift later than that, so a tap that came out
  // as a press is tried again.
  let panel = { mean: 0 };
  for (let attempt = 0; attempt < 3 && panel.mean <= 10; ++attempt) {
    await touch(page, 'touchStart', [[195, 292]]);
    await pause(40);
    await touch(page, 'touchEnd', []);
    await pause(1500);
    panel = compareRegion(before, await shot(page), panelArea);
  }
  assert.ok(panel.mean > 10, `the panel is gone (mean ${panel.mean.toFixed(2)})`);
  await page.close();
});

test('device motion sways the body; motion without gravity in it does not', async () => {
  const { page } = await restingPhonePage();
  const motion = async (fields) => {
    for (let i = 0; i < 45; ++i) {
      await page.evaluate((fields) => window.dispatchEvent(new DeviceMotionEvent('devicemotion', { ...fields, interval: 33 })), fields);
      await pause(33);
    }
  };
  const flat = await shot(page);
  // Only the user's own acceleration: nothing to tilt by.
  await motion({ acceleration: { x: 6.9, y: 0, z: 6.9 } });
  const still = compareRegion(flat, await shot(page), around(195, 290, 300));
  assert.ok(still.mean < 0.5, `the body stays (mean ${still.mean.toFixed(2)})`);
  // Tilted to the right: gravity along the device's -x, less along -z.
  await motion({ accelerationIncludingGravity: { x: 6.9, y: 0, z: 6.9 } });
  const tilted = await shot(page);
  const swayed = compareRegion(flat, tilted, around(195, 290, 300));
  assert.ok(swayed.mean > 2, `the body sways (mean ${swayed.mean.toFixed(2)})`);
  await page.close();
});

// A taller phone at three device pixels a point: room for every row of the panel.
const tallPhone = { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true };

// A finger's tap on an enabled control found by its caption.
async function tapCaption(page, caption) {
  const item = await findItem(page, caption, { kind: 'control' });
  assert.ok(item?.enabled, `"${caption}" on screen and enabled`);
  await pause(150);
  await touch(page, 'touchStart', [[item.x + item.width / 2, item.y + item.height / 2 - viewTop]]);
  await pause(60);
  await touch(page, 'touchEnd', []);
}

const restShapeIs = (page, hash) => page.waitForFunction(
  (hash) => Module.ccall('lumo_rest_shape_hash', 'string', [], []) === hash, { timeout: 20000 }, hash);

test('on a phone, Undo and Redo are tapped with a finger and take a Fix back and forth', async () => {
  const { page, problems } = await openLumo(browser, server, tallPhone);
  await waitForTable(page);
  const dome = await restShapeHash(page);
  assert.equal((await findItem(page, 'Undo', { kind: 'control' })).enabled, false, 'nothing to undo yet');
  await tapCaption(page, 'Edit shape');
  await touch(page, 'touchStart', [[195, 250]]);
  for (let y = 245; y >= 200; y -= 5) {
    await touch(page, 'touchMove', [[195, y]]);
    await pause(40);
  }
  await pause(1000);
  await touch(page, 'touchEnd', []);
  await tapCaption(page, 'Fix');
  await page.waitForFunction((dome) => Module.ccall('lumo_rest_shape_hash', 'string', [], []) !== dome, {}, dome);
  const sculpted = await restShapeHash(page);
  fs.writeFileSync(path.join(os.tmpdir(), 'lumo-undo-phone.png'), await page.screenshot({ type: 'png' }));
  await tapCaption(page, 'Undo Fix');
  await restShapeIs(page, dome);
  await tapCaption(page, 'Redo Fix');
  await restShapeIs(page, sculpted);
  assert.ok(await findItem(page, 'Undo Fix', { kind: 'control' }));
  assert.deepEqual((await controls(page)).filter((item) => item.kind === 'overflow'), [], 'every caption fits');
  assert.deepEqual(problems, []);
  await page.close();
});

test('a hidden page slows to five frames a second and comes back to twenty when shown', async () => {
  const { page } = await openLumo(browser, server, phone);
  const interval = () => page.evaluate(() => Module.lumoMetrics.frameIntervalMs);
  await page.waitForFunction(() => Module.lumoMetrics && Module.lumoMetrics.frameIntervalMs === 50);
  const setHidden = (hidden) => page.evaluate((hidden) => {
    Object.defineProperty(document, 'hidden', { configurable: true, get: () => hidden });
    Object.defineProperty(document, 'visibilityState', { configurable: true, get: () => (hidden ? 'hidden' : 'visible') });
    document.dispatchEvent(new Event('visibilitychange'));
  }, hidden);
  await setHidden(true);
  await page.waitForFunction(() => Module.lumoMetrics.frameIntervalMs === 200, { timeout: 5000 });
  assert.equal(await interval(), 200);
  await setHidden(false);
  await page.waitForFunction(() => Module.lumoMetrics.frameIntervalMs === 50, { timeout: 5000 });
  assert.equal(await interval(), 50);
  await page.close();
});

test('the page draws what the desktop program draws', async () => {
  // The same state on both: the default dome at rest, the panel hidden by a
  // tap, in a 320 x 480 view at one pixel per point.
  const home = fs.mkdtempSync(path.join(os.tmpdir(), 'lumo-web-'));
  const script = path.join(home, 'tap.txt');
  fs.writeFileSync(script, '1 click 160 240\n');
  const nativePng = path.join(home, 'native.png');
  execFileSync(nativeLumo, ['--headless', '--home', home, '--script', script, '--frames', '300', '--screenshot', nativePng],
               { env: { ...process.env, SDL_VIDEODRIVER: 'offscreen' }, stdio: 'ignore' });
  const native = decodePng(fs.readFileSync(nativePng));

  const { page } = await openLumo(browser, server, { width: 320, height: 480, deviceScaleFactor: 1 });
  await waitForTable(page);
  await page.mouse.click(160, 240);
  await pause(8000);
  const browserShot = decodePng(Buffer.from(await page.screenshot({ type: 'png' })));
  fs.writeFileSync(path.join(os.tmpdir(), 'lumo-browser-vs-native.png'), await page.screenshot({ type: 'png' }));
  assert.equal(browserShot.width, native.width);
  assert.equal(browserShot.height, native.height);
  const difference = compareRegion(native, browserShot, { far: 16 });
  console.log(`browser against native: mean ${difference.mean.toFixed(3)} levels, ` +
              `${(difference.farShare * 100).toFixed(3)}% of pixels off by more than 16`);
  assert.ok(difference.mean <= 2, `mean absolute difference ${difference.mean}`);
  assert.ok(difference.farShare <= 0.01, `pixels far off: ${difference.farShare}`);
  fs.rmSync(home, { recursive: true, force: true });
  await page.close();
});
