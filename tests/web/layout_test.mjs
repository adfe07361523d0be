// Every screen of the page at the sizes of phones and tablets, upright and
// on their side, keeps to the layout rules the program checks on what it
// drew (widgets/layout_faults.h; the desktop's sizes are tests/ui/layout_test.cpp):
// nothing overlaps, every control is a fingertip tall with a fingertip
// between targets, no caption or message is cut, nothing leaves the canvas
// (the safe area). A screenshot of each screen goes to
// $TMPDIR/lumo-layout/, to be looked at.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

import { serveSite, openBrowser, openLumo, waitForTable, pause, nativeLumo } from './site.mjs';
import { controls, findItem, clickCaption, waitGone } from './controls.mjs';

const touch = { isMobile: true, hasTouch: true };
const sizes = [
  { name: 'small phone', viewport: { width: 320, height: 568, deviceScaleFactor: 2, ...touch } },
  { name: 'phone', viewport: { width: 390, height: 844, deviceScaleFactor: 3, ...touch } },
  { name: 'phone on its side', viewport: { width: 844, height: 390, deviceScaleFactor: 3, ...touch } },
  { name: 'tablet', viewport: { width: 768, height: 1024, deviceScaleFactor: 2, ...touch } },
  { name: 'tablet on its side', viewport: { width: 1024, height: 768, deviceScaleFactor: 2, ...touch } },
];

const longName = 'a shape sculpted on the desktop for the seaside holiday of 2026.lumo';
const tooLargeName = 'photo-from-the-camera-of-a-friend-at-the-seaside-2026-08-14.lumo';
const unreadableName = 'holiday-pictures-from-the-seaside-in-the-summer-of-2026-number-0042.txt';

let server, browser, scratch, shapeFile, tooLarge, unreadable;
before(async () => {
  server = await serveSite();
  // A fake camera, so that the Change Texture menu is offered.
  browser = await openBrowser(['--use-fake-device-for-media-stream']);
  scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'lumo-layout-'));
  shapeFile = desktopShapeFile();
  unreadable = path.join(scratch, unreadableName);
  fs.writeFileSync(unreadable, 'neither a picture nor a shape');
  fs.mkdirSync(shotFolder, { recursive: true });
});
after(async () => {
  await browser?.close();
  server?.close();
  if (scratch) fs.rmSync(scratch, { recursive: true, force: true });
});

const shotFolder = path.join(os.tmpdir(), 'lumo-layout');

// A shape file the desktop program saved.
function desktopShapeFile() {
  const home = path.join(scratch, 'desktop');
  fs.mkdirSync(home);
  const script = path.join(home, 'script.txt');
  fs.writeFileSync(script, '20 press save\n');
  execFileSync(nativeLumo, ['--headless', '--home', home, '--script', script, '--frames', '40'],
               { env: { ...process.env, SDL_VIDEODRIVER: 'offscreen' }, stdio: 'ignore' });
  const documents = path.join(home, 'Documents');
  return path.join(documents, fs.readdirSync(documents).find((name) => name.endsWith('.lumo')));
}

// That file with a 12000 x 8 picture in it, which an import refuses.
async function tooLargeShapeFile(page) {
  const png = Buffer.from(await page.evaluate(async () => {
    const canvas = new OffscreenCanvas(12000, 8);
    canvas.getContext('2d').fillRect(0, 0, 12000, 8);
    return [...new Uint8Array(await (await canvas.convertToBlob({ type: 'image/png' })).arrayBuffer())];
  }));
  const text = fs.readFileSync(shapeFile, 'utf8')
    .replace(/(<key>SurfaceImage<\/key>\s*<data>)[^<]*(<\/data>)/, `$1${png.toString('base64')}$2`);
  const file = path.join(scratch, tooLargeName);
  fs.writeFileSync(file, text);
  return file;
}

// A panorama wider than any picture lumo takes.
async function tooWidePicture(page) {
  const file = path.join(scratch, 'panorama-of-the-whole-seaside-from-the-top-of-the-lighthouse.png');
  fs.writeFileSync(file, Buffer.from(await page.evaluate(async () => {
    const canvas = new OffscreenCanvas(9000, 8);
    canvas.getContext('2d').fillRect(0, 0, 9000, 8);
    return [...new Uint8Array(await (await canvas.convertToBlob({ type: 'image/png' })).arrayBuffer())];
  })));
  return file;
}

function copyAs(name) {
  const file = path.join(scratch, name);
  fs.copyFileSync(shapeFile, file);
  return file;
}

async function importFile(page, file) {
  const [chooser] = await Promise.all([page.waitForFileChooser({ timeout: 15000 }), clickCaption(page, 'Import')]);
  await chooser.accept([file]);
  return findItem(page, /^(Imported|Not imported|Already in the list)/, { kind: 'text', timeout: 20000 });
}

async function drop(page, file) {
  const session = await page.createCDPSession();
  const data = { items: [], files: [file], dragOperationsMask: 1 };
  for (const type of ['dragEnter', 'dragOver', 'drop']) await session.send('Input.dispatchDragEvent', { type, x: 100, y: 100, data });
  await session.detach();
}

async function expectItem(page, caption, options = {}) {
  assert.ok(await findItem(page, caption, options), `${caption} on screen`);
}

// The screens, in the order one page shows them: each opens its screen
// (`open`, which ends when the screen is up) and leaves it (`close`).
const screens = [
  { name: 'panel', open: (page) => expectItem(page, 'Save') },
  {
    name: 'panel in edit mode',
    open: async (page) => { await clickCaption(page, 'Edit shape'); await expectItem(page, 'Fix'); },
    close: async (page) => { await clickCaption(page, 'Edit shape'); await waitGone(page, 'Fix'); },
  },
  {
    name: 'Initialize menu',
    open: async (page) => { await clickCaption(page, 'Initialize'); await expectItem(page, 'Shape'); },
    close: async (page) => { await clickCaption(page, 'Cancel'); await waitGone(page, 'Shape'); },
  },
  {
    name: 'Load menu',
    open: async (page) => { await clickCaption(page, 'Load'); await expectItem(page, 'Texutre and Shape'); },
  },
  {
    name: 'Change Texture menu',
    open: async (page) => { await clickCaption(page, 'Texutre'); await expectItem(page, 'Photos Library'); },
    close: async (page) => { await clickCaption(page, 'Cancel'); await waitGone(page, 'Photos Library'); },
  },
  {
    name: 'picture chooser refusing a picture',
    open: async (page) => {
      await clickCaption(page, 'Load');
      await clickCaption(page, 'Texutre');
      const [chooser] = await Promise.all([page.waitForFileChooser({ timeout: 15000 }), clickCaption(page, 'Photos Library')]);
      await chooser.accept([await tooWidePicture(page)]);
      await expectItem(page, 'Choose Another');
    },
    close: async (page) => { await clickCaption(page, 'Cancel'); await waitGone(page, 'Choose a Picture'); },
  },
  {
    name: 'saved alert',
    open: async (page) => {
      await clickCaption(page, 'Save');
      await expectItem(page, /^kept in this browser: .*\.lumo$/, { kind: 'text', timeout: 20000 });
    },
    close: async (page) => { await clickCaption(page, 'OK'); await waitGone(page, 'saved'); },
  },
  {
    name: 'Cannot open alert',
    open: async (page) => { await drop(page, unreadable); await expectItem(page, 'Cannot Open', { kind: 'text' }); },
    close: async (page) => { await clickCaption(page, 'OK'); await waitGone(page, 'Cannot Open'); },
  },
  {
    name: 'key help',
    open: async (page) => { await page.keyboard.press('F1'); await expectItem(page, 'Keys', { kind: 'text' }); },
    close: async (page) => { await clickCaption(page, 'OK'); await waitGone(page, 'Keys'); },
  },
  {
    name: 'recording',
    needs: 'Record',  // the tools' row, where the panel has room for it
    phonesOnly: true,  // a clip takes seconds: the two phone profiles are enough
    open: async (page) => { await clickCaption(page, 'Record'); await expectItem(page, /^0:\d\d$/, { kind: 'text' }); },
  },
  {
    name: 'clip ready notice',
    needs: 'Stop',
    phonesOnly: true,
    open: async (page) => {
      await clickCaption(page, 'Stop');
      await expectItem(page, /^(Share|Download) GIF$/, { timeout: 60000 });
    },
    close: async (page) => { await clickCaption(page, 'OK'); await waitGone(page, 'Clip ready'); },
  },
  {
    name: 'saved shapes',
    open: async (page) => {
      await clickCaption(page, 'Load');
      await clickCaption(page, 'Texutre and Shape');
      for (const name of ['seaside.lumo', longName])
        assert.match((await importFile(page, copyAs(name))).caption, /^Imported /);
    },
  },
  {
    name: 'saved shapes with a refused import',
    open: async (page) => {
      const answer = await importFile(page, await tooLargeShapeFile(page));
      assert.match(answer.caption, /^Not imported: .*-08-14\.lumo: .*too large: 12000 x 8 pixels \(at most 8192 x 8192\)$/);
    },
  },
  {
    name: 'saved shapes in edit mode',
    open: async (page) => { await clickCaption(page, 'Edit'); await expectItem(page, 'Done'); },
  },
  {
    name: 'saved shapes asking to delete',
    open: async (page) => { await clickCaption(page, 'Delete'); await expectItem(page, 'Yes, delete'); },
    close: async (page) => {
      await clickCaption(page, 'Keep');
      await clickCaption(page, 'Done');
      await clickCaption(page, 'Cancel');
      await waitGone(page, 'Saved Shapes');
    },
  },
];

// Safari gives motion only once the user allows it from a tap: the first
// call, without one, is refused, and the user then says no.
function askingForMotion() {
  if (typeof DeviceMotionEvent === 'undefined') return;
  let calls = 0;
  DeviceMotionEvent.requestPermission = () =>
    (++calls === 1 ? Promise.reject(new Error('only from a tap')) : Promise.resolve('denied'));
}

const motionScreens = [
  { name: 'panel asking for the motion sensor', open: (page) => expectItem(page, 'Enable tilt') },
  {
    name: 'Tilt is off notice',
    open: async (page) => { await clickCaption(page, 'Enable tilt'); await expectItem(page, 'Tilt is off', { kind: 'text' }); },
    close: async (page) => { await clickCaption(page, 'OK'); await waitGone(page, 'Tilt is off'); },
  },
  { name: 'panel after motion was refused', open: (page) => expectItem(page, 'Ask again') },
];

// Each screen in turn on one page, checked and photographed.
async function walk(t, size, screens, options = {}) {
  const context = await browser.createBrowserContext();
  const { page, problems } = await openLumo(context, server, size.viewport, options);
  await waitForTable(page);
  for (const screen of screens) {
    await t.test(screen.name, async (st) => {
      if (screen.phonesOnly && ![390, 844].includes(size.viewport.width)) {
        st.skip('checked on the phone profiles only');
        return;
      }
      if (screen.needs && !(await findItem(page, screen.needs, { timeout: 1000 }))) {
        st.skip(`no ${screen.needs} control at this size`);
        return;
      }
      await screen.open(page);
      try {
        await pause(300);  // auto-sized screens take their size in a frame or two
        const faults = JSON.parse(await page.evaluate(() => Module.ccall('lumo_layout_faults', 'string', [], [])));
        const shot = `${size.viewport.width}x${size.viewport.height}-${screen.name.replaceAll(' ', '-')}.png`;
        await page.screenshot({ path: path.join(shotFolder, shot) });
        assert.ok((await controls(page)).length > 0, 'the probe saw the screen');
        assert.deepEqual(faults, [], `${screen.name} at ${size.viewport.width} x ${size.viewport.height}`);
      } finally {
        if (screen.close) await screen.close(page);
      }
    });
  }
  assert.deepEqual(problems, []);
  await context.close();
}

for (const size of sizes) {
  test(`every screen keeps to the layout rules on a ${size.name}`, (t) => walk(t, size, screens));
  test(`the motion sensor's screens keep to the layout rules on a ${size.name}`,
       (t) => walk(t, size, motionScreens, { beforeLoad: askingForMotion }));
}
