// Recording on the page, in headless Chromium: Record, two seconds of a
// four-finger press through real touch events, Stop; the video the browser's
// MediaRecorder made and the GIF the worker made, read by ffprobe; then
// Share, with a stand-in share sheet (headless Chromium has none) that must
// receive the file itself, or a download where there is no share sheet.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

import { clickCaption, findItem } from './controls.mjs';
import { serveSite, stopServing, openBrowser, openLumo, waitForTable, pause } from './site.mjs';

// A phone held upright, at one device pixel per point: headless Chromium
// composites in software, and three would measure the copying, not lumo.
const phone = { width: 390, height: 844, deviceScaleFactor: 1, isMobile: true, hasTouch: true };
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'lumo-record-'));

let server, browser;
before(async () => {
  server = await serveSite();
  browser = await openBrowser();
});
after(async () => {
  await browser?.close();
  if (server) await stopServing(server);
  fs.rmSync(scratch, { recursive: true, force: true });
});

// A share sheet for the test: takes files, keeps what it was given.
function standInShareSheet() {
  navigator.canShare = (data) => !!(data && data.files && data.files.length);
  navigator.share = (data) => {
    window.lumoShared = data.files.map((file) => ({ name: file.name, type: file.type, size: file.size }));
    return Promise.resolve();
  };
}

async function touches(page, session, type, points) {
  await session.send('Input.dispatchTouchEvent', {
    type, touchPoints: points.map(([x, y], id) => ({ x, y, id, radiusX: 5, radiusY: 5, force: 1 })),
  });
}

// Four fingers on the dome for `seconds`, moving a little as fingers do.
async function pressWithFourFingers(page, seconds) {
  const view = JSON.parse(await page.evaluate(() => Module.ccall('lumo_view_rect', 'string', [], [])));
  const at = (u, v, wobble) => [view.x + view.width * u + wobble, view.y + view.height * v + wobble];
  const session = await page.createCDPSession();
  const fingers = (wobble) => [at(0.5, 0.35, wobble), at(0.3, 0.5, wobble), at(0.7, 0.5, wobble), at(0.5, 0.65, wobble)];
  await touches(page, session, 'touchStart', fingers(0));
  const end = Date.now() + seconds * 1000;
  for (let step = 0; Date.now() < end; ++step) {
    await touches(page, session, 'touchMove', fingers(6 * Math.sin(step / 3)));
    await pause(50);
  }
  await touches(page, session, 'touchEnd', []);
}

// The last clip's files, out of the page into `folder`.
async function clipFiles(page, folder) {
  const files = await page.evaluate(async () => Promise.all(Module.lumoClip.files().map(async (file) => {
    const bytes = new Uint8Array(await file.arrayBuffer());
    let binary = '';
    for (let i = 0; i < bytes.length; i += 0x8000) binary += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
    return { name: file.name, type: file.type, size: file.size, base64: btoa(binary) };
  })));
  return files.map((file) => {
    const where = path.join(folder, file.name);
    fs.writeFileSync(where, Buffer.from(file.base64, 'base64'));
    return { ...file, path: where };
  });
}

function probe(file) {
  const text = execFileSync('ffprobe', ['-v', 'error', '-count_frames', '-select_streams', 'v:0', '-show_entries',
    'stream=codec_name,width,height,nb_read_frames:format=duration', '-of', 'default=noprint_wrappers=1', file],
    { encoding: 'utf8' });
  return Object.fromEntries(text.trim().split('\n').map((line) => line.split('=')));
}

// Each GIF frame's delay, from its graphic control extensions, walking the
// file's blocks (a scan for the extension's bytes also finds them inside
// the compressed pictures).
function gifDelays(file) {
  const bytes = fs.readFileSync(file);
  const delays = [];
  const tableSize = (flags) => ((flags & 0x80) ? 3 * (2 << (flags & 7)) : 0);
  const skipSubBlocks = (at) => {
    while (bytes[at] !== 0) at += bytes[at] + 1;
    return at + 1;
  };
  let at = 13 + tableSize(bytes[10]);  // the header, the screen and its colour table
  while (at < bytes.length && bytes[at] !== 0x3b) {
    if (bytes[at] === 0x21) {  // an extension: its label, then sub-blocks
      if (bytes[at + 1] === 0xf9) delays.push(bytes[at + 4] | (bytes[at + 5] << 8));
      at = skipSubBlocks(at + 2);
    } else if (bytes[at] === 0x2c) {  // a picture: its descriptor, colour table, code size, data
      at = skipSubBlocks(at + 10 + tableSize(bytes[at + 9]) + 1);
    } else {
      throw new Error(`not a GIF block at byte ${at}`);
    }
  }
  return delays;
}

const rows = [
  { name: 'a phone with a share sheet shares the video itself', beforeLoad: standInShareSheet, action: 'Share video' },
  { name: 'without a share sheet the GIF is downloaded', beforeLoad: null, action: 'Download GIF' },
];

for (const row of rows) {
  test(`recording on the page: ${row.name}`, async () => {
    const context = await browser.createBrowserContext();
    const { page, problems } = await openLumo(context, server, phone, { beforeLoad: row.beforeLoad });
    await waitForTable(page);
    const folder = fs.mkdtempSync(path.join(scratch, 'clip-'));

    await clickCaption(page, 'Record');
    await findItem(page, 'Stop');
    await pressWithFourFingers(page, 2);
    const seconds = await findItem(page, /^0:\d\d$/, { kind: 'text', timeout: 1000 });
    assert.ok(seconds && Number(seconds.caption.slice(2)) >= 2, 'the seconds so far show while recording');
    await clickCaption(page, 'Stop');
    const action = await findItem(page, row.action, { timeout: 60000 });
    assert.ok(action, `the notice offers ${row.action}`);
    const dropped = await page.evaluate(() => Module.lumoClip.dropped());

    const [video, gif] = await clipFiles(page, folder);
    const mp4 = await page.evaluate(() => MediaRecorder.isTypeSupported('video/mp4'));
    assert.equal(video.type.split(';')[0], mp4 ? 'video/mp4' : 'video/webm');
    assert.match(video.name, mp4 ? /^\d{4}_\d\d_\d\d_\d\d_\d\d_\d\d\.mp4$/ : /\.webm$/);
    const videoFacts = probe(video.path);
    assert.equal(videoFacts.codec_name, mp4 ? 'h264' : videoFacts.codec_name);
    const videoFrames = Number(videoFacts.nb_read_frames), videoSeconds = Number(videoFacts.duration);
    assert.equal(gif.type, 'image/gif');
    const gifFacts = probe(gif.path);
    assert.equal(gifFacts.codec_name, 'gif');
    const gifFrames = Number(gifFacts.nb_read_frames);
    const delays = gifDelays(gif.path);
    assert.equal(delays.length, gifFrames);
    assert.ok(delays.every((delay) => delay === 5), 'every GIF frame shows 5/100 s');
    // Both span the clip, at least the two seconds pressed: the GIF 20 frames a second exactly, the
    // video 30 a second as far as the page's frames came (a busy machine's headless Chromium draws fewer).
    const gifSeconds = gifFrames / 20;
    assert.ok(gifSeconds >= 2 && Math.abs(gifSeconds - videoSeconds) < 0.5, `GIF ${gifSeconds} s, video ${videoSeconds} s`);
    assert.ok(videoFrames >= 15 * videoSeconds && videoFrames <= 30 * videoSeconds + 3,
              `${videoFrames} video frames in ${videoSeconds} s`);
    console.log(`page clip: ${video.name} ${video.size} bytes, ${videoFrames} frames in ${videoSeconds} s, ` +
                `${videoFacts.width} x ${videoFacts.height}; ${gif.name} ${gif.size} bytes, ${gifFrames} frames, ` +
                `${gifFacts.width} x ${gifFacts.height}, ${dropped} dropped`);
    fs.copyFileSync(gif.path, path.join(os.tmpdir(), 'lumo-page-clip.gif'));

    if (row.beforeLoad) {
      await clickCaption(page, row.action);
      await page.waitForFunction(() => window.lumoShared, { timeout: 10000 });
      const shared = await page.evaluate(() => window.lumoShared);
      assert.deepEqual(shared, [{ name: video.name, type: video.type, size: video.size }], 'the share sheet got the video');
    } else {
      const downloads = fs.mkdtempSync(path.join(scratch, 'downloads-'));
      const session = await page.createCDPSession();
      await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads,
                                                          browserContextId: context.id });
      await clickCaption(page, row.action);
      let got = [];
      for (let tries = 0; tries < 100 && !got.length; ++tries) {
        got = fs.readdirSync(downloads).filter((name) => name === gif.name);
        await pause(100);
      }
      assert.deepEqual(got, [gif.name], 'the GIF was downloaded');
      assert.deepEqual(fs.readFileSync(path.join(downloads, gif.name)), fs.readFileSync(gif.path));
    }
    assert.deepEqual(problems, []);
    await context.close();
  });
}
