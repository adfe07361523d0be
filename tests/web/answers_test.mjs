// Answers that reach the page later, from the browser's storage or its file
// chooser, show on the screen as they arrive, also while the dome rests
// and its frames are skipped.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

import { decodePng } from './png.mjs';
import { serveSite, openBrowser, openLumo, waitForTable, pause } from './site.mjs';
import { controls, clickCaption } from './controls.mjs';

const desk = { width: 320, height: 480, deviceScaleFactor: 1 };

let server, scratch;
before(async () => {
  server = await serveSite();
  scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'lumo-answers-'));
});
after(async () => {
  server?.close();
  if (scratch) fs.rmSync(scratch, { recursive: true, force: true });
});

// The page with its dome at rest: no frame presented for a whole second.
async function restingPage(browser) {
  const { page } = await openLumo(browser, server, desk);
  await waitForTable(page);
  await controls(page);  // the probe is in place from now on
  const presented = () => page.evaluate(() => Module.lumoFramesPresented);
  for (let second = 0; second < 40; ++second) {
    const before = await presented();
    await pause(1000);
    if (await presented() === before) return page;
  }
  throw new Error('the dome never came to rest');
}

test('the storage\'s late answer to a save is on screen within two frames', async () => {
  const browser = await openBrowser();
  try {
    const page = await restingPage(browser);
    await page.evaluate(() => {
      // The storage answers 800 ms late; the frame count is noted as it does.
      const persist = Module.lumoHost.persist;
      Module.lumoHost.persist = (request) => setTimeout(() => persist(request), 800);
      // From the answer on, each animation frame looks for the alert.
      const drawn = () => JSON.parse(Module.ccall('lumo_controls', 'string', [], []))
        .some((item) => item.caption === 'saved');
      const look = () => {
        if (drawn()) window.framesAtAlert = Module.lumoFramesPresented;
        else requestAnimationFrame(look);
      };
      const answered = Module._lumo_host_persisted;
      Module._lumo_host_persisted = (...answer) => {
        window.framesAtAnswer = Module.lumoFramesPresented;
        answered(...answer);
        requestAnimationFrame(look);
      };
    });
    await clickCaption(page, 'Save');
    await page.waitForFunction(() => window.framesAtAlert !== undefined, { timeout: 20000 });
    const frames = await page.evaluate(() => window.framesAtAlert - window.framesAtAnswer);
    assert.ok(frames <= 2, `on screen ${frames} frames after the answer`);
  } finally {
    await browser.close();
  }
});

test('a picture chosen from the camera\'s menu reaches the resting dome without a touch', async () => {
  const browser = await openBrowser(['--use-fake-device-for-media-stream']);
  try {
    const page = await restingPage(browser);
    const red = path.join(scratch, 'red.png');
    fs.writeFileSync(red, Buffer.from(await page.evaluate(async () => {
      const canvas = new OffscreenCanvas(64, 96);
      const context = canvas.getContext('2d');
      context.fillStyle = '#e01010';
      context.fillRect(0, 0, 64, 96);
      return [...new Uint8Array(await (await canvas.convertToBlob({ type: 'image/png' })).arrayBuffer())];
    })));
    await page.evaluate(() => {
      // The decoded picture comes a second late, when the dome is long at rest.
      const decoder = Module.lumoPictureDecoder;
      const decode = decoder.decode;
      decoder.decode = (...request) =>
        decode(...request).then((answer) => new Promise((resolve) => setTimeout(() => resolve(answer), 1000)));
    });
    await clickCaption(page, 'Load');
    await clickCaption(page, 'Texutre');
    const [chooser] = await Promise.all([page.waitForFileChooser({ timeout: 15000 }),
                                         clickCaption(page, 'Photos Library')]);
    await chooser.accept([red]);
    // The view's top, clear of the panel, turns red without any input.
    const redTop = async () => {
      const shot = decodePng(Buffer.from(await page.screenshot({ type: 'png' })));
      const i = (100 * shot.width + 160) * 4;
      return shot.pixels[i] > shot.pixels[i + 2] + 60;
    };
    let shown = false;
    for (let attempt = 0; attempt < 30 && !shown; ++attempt) {
      await pause(100);
      shown = await redTop();
    }
    assert.ok(shown, 'the chosen picture is on the dome');
  } finally {
    await browser.close();
  }
});
