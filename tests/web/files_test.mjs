// Pictures and shape files in the page: the browser's own file chooser (the
// photo library, the camera where there is one), shapes kept in the
// browser's storage across reloads, shape files moving between the desktop
// program and the page in both directions, and hostile files (at the end).
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

import { decodePng, compareRegion } from './png.mjs';
import { serveSite, openBrowser, openLumo, waitForTable, pause, nativeLumo, photoBytes } from './site.mjs';
import { controls, findItem, clickCaption, waitGone, restShapeHash, restShape, animating } from './controls.mjs';

// One point per pixel, the size the desktop program runs at headless.
const desk = { width: 320, height: 480, deviceScaleFactor: 1 };
const dateRow = /^\d{1,2} [A-Z][a-z]{2} \d{4}, \d\d:\d\d:\d\d( \(\d+\))?$/;
const badCorpus = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../shape/bad');

let server, browser, scratch, fixture;
before(async () => {
  server = await serveSite();
  browser = await openBrowser(['--js-flags=--expose-gc']);  // gc(): the memory test
  scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'lumo-files-'));
  fixture = desktopShapeFile();
});
after(async () => {
  await browser?.close();
  server?.close();
  if (scratch) fs.rmSync(scratch, { recursive: true, force: true });
});

// Each test its own profile: nothing stored by one is seen by another.
async function freshPage(viewport = desk, options = {}) {
  const context = await browser.createBrowserContext();
  const opened = await openLumo(context, server, viewport, options);
  return { ...opened, context };
}

const tableBuilt = (page) => page.waitForFunction(
  () => Module.ccall('lumo_table_hash', 'string', [], []) !== 'building', { timeout: 60000 });

// Runs the desktop program headless in its own home; returns that home.
function runDesktop(name, scriptLines, files = []) {
  const home = path.join(scratch, name);
  fs.mkdirSync(home, { recursive: true });
  const script = path.join(home, 'script.txt');
  fs.writeFileSync(script, scriptLines.join('\n') + '\n');
  execFileSync(nativeLumo, ['--headless', '--home', home, '--script', script, '--frames', '140', ...files],
               { env: { ...process.env, SDL_VIDEODRIVER: 'offscreen' }, stdio: 'ignore' });
  return home;
}

function savedFile(home) {
  const documents = path.join(home, 'Documents');
  const names = fs.readdirSync(documents).filter((name) => name.endsWith('.lumo'));
  assert.equal(names.length, 1, `one shape file saved in ${documents}: ${names}`);
  return path.join(documents, names[0]);
}

// The desktop program sculpts the dome (a finger pulls it up in edit mode),
// fixes the shape and saves it.
function desktopShapeFile() {
  const lines = ['10 press edit', '12 down 0 160 200'];
  for (let frame = 14; frame <= 50; frame += 2) lines.push(`${frame} move 0 160 ${200 - (frame - 12)}`);
  lines.push('60 up 0', '64 press fix', '100 press save');
  return savedFile(runDesktop('sculpted', lines));
}

async function openSavedList(page) {
  await clickCaption(page, 'Load');
  await clickCaption(page, 'Texutre and Shape');
  await findItem(page, 'Saved Shapes', { kind: 'text' });
}

async function rowCaptions(page) {
  return (await controls(page)).filter((item) => item.kind === 'control' && dateRow.test(item.caption))
    .map((item) => item.caption);
}

async function importFile(page, file) {
  const [chooser] = await Promise.all([page.waitForFileChooser({ timeout: 15000 }), clickCaption(page, 'Import')]);
  await chooser.accept([file]);
  return findItem(page, /^(Imported|Not imported|Already in the list)/, { kind: 'text', timeout: 20000 });
}

// The newest row's file, exported through the list and downloaded.
async function exportNewest(page, context) {
  const downloads = fs.mkdtempSync(path.join(scratch, 'downloads-'));
  const session = await page.createCDPSession();
  await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads, browserContextId: context.id });
  await openSavedList(page);
  await clickCaption(page, 'Edit');
  await clickCaption(page, 'Export', { kind: 'control' });
  await findItem(page, /^Exported .*\.lumo$/, { kind: 'text' });
  for (let tries = 0; tries < 100; ++tries) {
    const done = fs.readdirSync(downloads).filter((name) => name.endsWith('.lumo'));
    if (done.length) return path.join(downloads, done[0]);
    await pause(100);
  }
  assert.fail('the export was downloaded');
}

// The rest shape a shape file (an XML property list) holds, as floats.
function positionsOf(file) {
  const text = fs.readFileSync(file, 'utf8');
  const array = /<key>InitSurfacePosition<\/key>\s*<array>([\s\S]*?)<\/array>/.exec(text);
  assert.ok(array, `${file} holds a shape`);
  return [...array[1].matchAll(/<(?:real|integer)>([^<]*)</g)].map((match) => Math.fround(Number(match[1])));
}

test('a saved shape survives a reload and loads as the desktop loads it', async () => {
  const { page, problems, context } = await freshPage();
  await waitForTable(page);
  const dome = await restShapeHash(page);
  // Pull the dome up in edit mode and fix it.
  await clickCaption(page, 'Edit shape');
  await page.mouse.move(160, 200);
  await page.mouse.down();
  for (let y = 198; y >= 160; y -= 2) {
    await page.mouse.move(160, y);
    await pause(40);
  }
  await pause(1000);
  await page.mouse.up();
  await clickCaption(page, 'Fix');
  await tableBuilt(page);
  const sculpted = await restShape(page);
  assert.notEqual(await restShapeHash(page), dome, 'the rest shape changed');

  await clickCaption(page, 'Save');
  assert.ok(await findItem(page, 'saved', { kind: 'text' }), 'the "saved" alert');
  assert.ok(await findItem(page, /^kept in this browser: .*\.lumo$/, { kind: 'text' }), 'where it went');
  await clickCaption(page, 'OK');

  await page.reload();
  await page.waitForFunction(() => Module.lumoFramesPresented > 0, { timeout: 60000 });
  await tableBuilt(page);
  await clickCaption(page, 'Initialize');
  await clickCaption(page, 'Shape');
  await tableBuilt(page);
  assert.equal(await restShapeHash(page), dome);

  await openSavedList(page);
  const rows = await rowCaptions(page);
  assert.equal(rows.length, 1, `one saved shape listed after the reload: ${rows}`);
  await clickCaption(page, rows[0]);
  await waitGone(page, 'Saved Shapes');
  // Loading samples the file's surface into a new rest shape: close to the
  // one saved, and to the bit what the desktop makes of the same file.
  const loaded = await restShape(page);
  assert.equal(loaded.length, 7500);
  let furthest = 0;
  for (let i = 0; i < loaded.length; ++i) furthest = Math.max(furthest, Math.abs(loaded[i] - sculpted[i]));
  assert.ok(furthest < 0.01, `the saved shape comes back (furthest height ${furthest})`);
  assert.ok(await animating(page), 'the frame timer runs again');
  const file = await exportNewest(page, context);
  const desktop = positionsOf(savedFile(runDesktop('loaded', ['40 press save'], [file])));
  assert.deepEqual(loaded.map(Math.fround), desktop, 'the page\'s load is the desktop\'s, bit for bit');
  assert.deepEqual(problems, []);
  await context.close();
});

test('the page and the desktop load and save a shape file to the same bytes, both ways', async () => {
  const { page, problems, context } = await freshPage();
  await waitForTable(page);
  await openSavedList(page);
  const imported = await importFile(page, fixture);
  assert.match(imported.caption, /^Imported /);
  const rows = await rowCaptions(page);
  assert.equal(rows.length, 1);
  await clickCaption(page, rows[0]);
  await waitGone(page, 'Saved Shapes');
  await tableBuilt(page);
  // Saved again in the page: the same shape and picture give the same bytes.
  await clickCaption(page, 'Save');
  await findItem(page, 'saved', { kind: 'text' });
  await clickCaption(page, 'OK');

  const exported = await exportNewest(page, context);
  // The desktop, from the same file: opened, saved.
  const desktop = savedFile(runDesktop('reopened', ['40 press save'], [fixture]));
  assert.ok(fs.readFileSync(exported).equals(fs.readFileSync(desktop)), 'the page wrote the desktop\'s bytes');

  // And the other way: the page's file opens on the desktop.
  const back = savedFile(runDesktop('from-the-page', ['40 press save'], [exported]));
  assert.ok(fs.statSync(back).size > 100000, 'the desktop took the page\'s file and saved it');
  assert.deepEqual(problems, []);
  await context.close();
});

test('a bad shape file is refused with a message and storage stays as it was', async () => {
  const { page, context } = await freshPage();
  await waitForTable(page);
  await openSavedList(page);
  assert.match((await importFile(page, fixture)).caption, /^Imported /);
  const kept = await rowCaptions(page);
  for (const name of ['nested_too_deep.lumo', 'non_finite.lumo', 'bplist_cycle.lumo', 'random_bytes.lumo', 'truncated.lumo']) {
    // Under the stored file's own name, so a careless import would replace it.
    const file = path.join(scratch, path.basename(fixture));
    fs.copyFileSync(path.join(badCorpus, name), file);
    const answer = await importFile(page, file);
    assert.match(answer.caption, /^Not imported: /, name);
    assert.deepEqual(await rowCaptions(page), kept, name);
  }
  await clickCaption(page, 'Cancel');
  await page.reload();
  await page.waitForFunction(() => Module.lumoFramesPresented > 0, { timeout: 60000 });
  await openSavedList(page);
  assert.deepEqual(await rowCaptions(page), kept, 'the stored files are as they were');
  await clickCaption(page, kept[0]);
  await waitGone(page, 'Saved Shapes');
  await tableBuilt(page);
  await context.close();
});

// A landscape JPEG whose Exif orientation (6) turns it upright: red on the
// left as stored, so red on top when shown as meant.
async function exifJpeg(page, file) {
  const bytes = await page.evaluate(async () => {
    const canvas = new OffscreenCanvas(600, 400);
    const context = canvas.getContext('2d');
    context.fillStyle = '#e01010';
    context.fillRect(0, 0, 300, 400);
    context.fillStyle = '#1010e0';
    context.fillRect(300, 0, 300, 400);
    const jpeg = new Uint8Array(await (await canvas.convertToBlob({ type: 'image/jpeg', quality: 0.95 })).arrayBuffer());
    // APP1 "Exif", big-endian TIFF, one entry: Orientation (0x0112) = 6.
    const exif = [0xff, 0xe1, 0x00, 0x22, 0x45, 0x78, 0x69, 0x66, 0, 0, 0x4d, 0x4d, 0, 0x2a, 0, 0, 0, 8,
                  0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0, 0, 0, 0, 0];
    return [...jpeg.subarray(0, 2), ...exif, ...jpeg.subarray(2)];
  });
  fs.writeFileSync(file, Buffer.from(bytes));
}

// Decoded in a worker where the browser has one, on the page's thread where
// it has none: upright and at its upright size either way.
for (const where of ['worker', 'page']) {
  test(`a photo chosen in the browser's chooser goes on the dome upright (decoded by the ${where})`, async () => {
    const beforeLoad = where === 'page' ? () => { delete window.Worker; } : null;
    const { page, problems, context } = await freshPage(desk, { beforeLoad });
    await waitForTable(page);
    assert.equal(await page.evaluate(() => Module.lumoPictureDecoder.where()), where);
    const photo = path.join(scratch, 'sideways.jpg');
    await exifJpeg(page, photo);
    // What the decoder hands the program.
    await page.evaluate(() => {
      const decoder = Module.lumoPictureDecoder;
      const decode = decoder.decode;
      decoder.decode = (...request) => decode(...request).then((answer) => {
        window.decodedSize = [answer.width, answer.height, answer.bytes.length];
        return answer;
      });
    });
    await clickCaption(page, 'Load');
    // No camera here: the photo library opens at once.
    const [chooser] = await Promise.all([page.waitForFileChooser({ timeout: 15000 }), clickCaption(page, 'Texutre')]);
    assert.equal(await page.evaluate(() => document.querySelector('input[type=file]').accept), 'image/*');
    assert.ok(!(await animating(page)), 'the frame timer waits while the chooser is open');
    await chooser.accept([photo]);
    await waitGone(page, 'Choose a Picture');
    await page.waitForFunction(() => Module.ccall('lumo_animating', 'number', [], []) === 1);
    assert.deepEqual(await page.evaluate(() => window.decodedSize), [512, 512, 512 * 512 * 4],
                     'fitted into the texture square away from the page\'s thread');
    assert.equal(await page.evaluate(() => Module.lumoPictureDecoder.where()), where);
    await page.mouse.click(160, 240);  // a tap hides the panel
    await pause(1500);
    const png = await page.screenshot({ type: 'png' });
    const shot = decodePng(Buffer.from(png));
    fs.writeFileSync(path.join(os.tmpdir(), `lumo-picked-photo-${where}.png`), png);
    const at = (x, y) => shot.pixels.subarray((y * shot.width + x) * 4, (y * shot.width + x) * 4 + 3);
    for (const [x, y] of [[160, 110], [110, 140], [210, 140]]) {
      const [r, , b] = at(x, y);
      assert.ok(r > b + 60, `red above at ${x}, ${y}: ${at(x, y)}`);
    }
    for (const [x, y] of [[160, 350], [110, 330], [210, 330]]) {
      const [r, , b] = at(x, y);
      assert.ok(b > r + 60, `blue below at ${x}, ${y}: ${at(x, y)}`);
    }
    assert.deepEqual(problems, []);
    await context.close();
  });
}

test('a picture too large is refused, and dismissing the chooser starts the frame timer again', async () => {
  const { page, context } = await freshPage();
  await waitForTable(page);
  const wide = path.join(scratch, 'wide.png');
  fs.writeFileSync(wide, Buffer.from(await page.evaluate(async () => {
    const canvas = new OffscreenCanvas(9000, 8);
    canvas.getContext('2d').fillRect(0, 0, 9000, 8);
    return [...new Uint8Array(await (await canvas.convertToBlob({ type: 'image/png' })).arrayBuffer())];
  })));
  await pause(2500);  // the dome at rest
  const before = await page.screenshot({ type: 'png' });
  await clickCaption(page, 'Load');
  const [chooser] = await Promise.all([page.waitForFileChooser({ timeout: 15000 }), clickCaption(page, 'Texutre')]);
  assert.equal(await findItem(page, 'Change Texture', { timeout: 300 }), null, 'no camera: no camera menu');
  assert.ok(!(await animating(page)));
  await chooser.accept([wide]);
  assert.ok(await findItem(page, 'wide.png: picture too large: 9000 x 8 pixels (at most 8192 x 8192)', { kind: 'text' }));
  const [again] = await Promise.all([page.waitForFileChooser({ timeout: 15000 }), clickCaption(page, 'Choose Another')]);
  await again.cancel();
  await waitGone(page, 'Choose a Picture');
  await page.waitForFunction(() => Module.ccall('lumo_animating', 'number', [], []) === 1, { timeout: 5000 });
  await pause(1000);
  // The top of the view, clear of the panel: the picture as it was.
  const shown = decodePng(Buffer.from(await page.screenshot({ type: 'png' })));
  assert.ok(compareRegion(decodePng(Buffer.from(before)), shown, { x: 0, y: 0, width: 320, height: 200 }).mean < 2,
            'the picture is unchanged');
  await context.close();
});

test('with a camera the texture menu offers it, and it opens the camera', async () => {
  const withCamera = await openBrowser(['--use-fake-device-for-media-stream']);
  try {
    const page = (await openLumo(withCamera, server, desk)).page;
    await waitForTable(page);
    await clickCaption(page, 'Load');
    await clickCaption(page, 'Texutre');
    assert.ok(await findItem(page, 'Change Texture', { kind: 'text' }));
    for (const caption of ['Photos Library', 'Camera', 'Cancel']) assert.ok(await findItem(page, caption, { kind: 'control' }), caption);
    assert.ok(!(await animating(page)), 'stopped while the menu is open');
    const [chooser] = await Promise.all([page.waitForFileChooser({ timeout: 15000 }), clickCaption(page, 'Camera')]);
    assert.equal(await page.evaluate(() => document.querySelector('input[type=file]').getAttribute('capture')), 'environment');
    await chooser.cancel();
    await waitGone(page, 'Take a Picture');
    await page.waitForFunction(() => Module.ccall('lumo_animating', 'number', [], []) === 1, { timeout: 5000 });
  } finally {
    await withCamera.close();
  }
});

// The browser's storage has no trash: Delete offers Undo for a few seconds,
// which stores the same bytes again, as a reload shows.
test('a deleted shape comes back with Undo, stored byte for byte', async () => {
  const { page, problems, context } = await freshPage();
  await waitForTable(page);
  await clickCaption(page, 'Save');
  await findItem(page, 'saved', { kind: 'text' });
  await clickCaption(page, 'OK');
  const saved = fs.readFileSync(await exportNewest(page, context));
  const [row] = await rowCaptions(page);
  await clickCaption(page, 'Delete', { kind: 'control' });
  await clickCaption(page, 'Yes, delete');
  assert.ok(await findItem(page, `Deleted ${row}`, { kind: 'text' }));
  assert.deepEqual(await rowCaptions(page), []);
  await clickCaption(page, 'Undo', { kind: 'control' });
  assert.ok(await findItem(page, `Restored ${row}`, { kind: 'text', timeout: 20000 }), 'stored again');
  assert.deepEqual(await rowCaptions(page), [row]);

  await page.reload();
  await page.waitForFunction(() => Module.lumoFramesPresented > 0, { timeout: 60000 });
  const restored = fs.readFileSync(await exportNewest(page, context));
  assert.ok(restored.equals(saved), 'the stored file has the bytes it had before the deletion');
  assert.deepEqual(problems, []);
  await context.close();
});

test('a save the browser cannot store says "save failed" and lists nothing', async () => {
  const { page, context } = await freshPage();
  await waitForTable(page);
  const session = await page.createCDPSession();
  await session.send('Storage.overrideQuotaForOrigin', { origin: `http://127.0.0.1:${server.address().port}`, quotaSize: 1024 });
  await clickCaption(page, 'Save');
  assert.ok(await findItem(page, 'save failed', { kind: 'text', timeout: 20000 }));
  assert.ok(await findItem(page, 'Shape and Texutre have NOT been saved', { kind: 'text' }));
  await clickCaption(page, 'OK');
  await openSavedList(page);
  assert.deepEqual(await rowCaptions(page), []);
  assert.ok(await findItem(page, 'No saved shapes yet: Save makes one', { kind: 'text' }));
  await context.close();
});

// Two saves in one second get two names; the second failing to be stored
// takes back its own file only, so the next store keeps the first shape.
test('a save that cannot be stored leaves the earlier one of the same second stored', async () => {
  const { page, context } = await freshPage();
  await waitForTable(page);
  const origin = `http://127.0.0.1:${server.address().port}`;
  // The page's clock held still, across a reload too, so that the first two
  // saves share a second.
  const held = await page.evaluate(() => Date.now());
  await page.evaluate((now) => { window.heldNow = now; Date.now = () => window.heldNow; }, held);
  // Room for one more shape file (some 270 KB), not for two, beside what the
  // site keeps already (its own files, kept by the service worker).
  const session = await page.createCDPSession();
  const { usage } = await page.evaluate(() => navigator.storage.estimate());
  await session.send('Storage.overrideQuotaForOrigin', { origin, quotaSize: usage + 450000 });
  await clickCaption(page, 'Save');
  assert.ok(await findItem(page, 'saved', { kind: 'text', timeout: 20000 }));
  await clickCaption(page, 'OK');
  await clickCaption(page, 'Save');
  assert.ok(await findItem(page, 'save failed', { kind: 'text', timeout: 20000 }));
  await clickCaption(page, 'OK');
  // Room again, two seconds later: a store that would drop whatever the
  // failed save took back.
  await session.send('Storage.overrideQuotaForOrigin', { origin });
  await page.evaluate(() => { window.heldNow += 2000; });
  await clickCaption(page, 'Save');
  assert.ok(await findItem(page, 'saved', { kind: 'text', timeout: 20000 }));
  await clickCaption(page, 'OK');

  await page.reload();
  await waitForTable(page);
  await openSavedList(page);
  const rows = await rowCaptions(page);
  assert.equal(rows.length, 2, `the first and the third save: ${rows}`);
  const seconds = rows.map((row) => Number(/:(\d\d)$/.exec(row)[1]));
  assert.equal((seconds[0] - seconds[1] + 60) % 60, 2, `two seconds apart, newest first: ${rows}`);
  await context.close();
});

async function drop(page, file) {
  const session = await page.createCDPSession();
  const data = { items: [], files: [file], dragOperationsMask: 1 };
  for (const type of ['dragEnter', 'dragOver', 'drop']) await session.send('Input.dispatchDragEvent', { type, x: 160, y: 240, data });
  await session.detach();
}

test('a picture or a shape file dropped on the page opens as on the desktop', async () => {
  const { page, problems, context } = await freshPage();
  await waitForTable(page);
  const dome = await restShapeHash(page);
  const photo = path.join(scratch, 'dropped.jpg');
  await exifJpeg(page, photo);
  await drop(page, photo);
  await page.mouse.click(160, 240);  // hides the panel
  await pause(1500);
  const shot = decodePng(Buffer.from(await page.screenshot({ type: 'png' })));
  const at = (x, y) => shot.pixels.subarray((y * shot.width + x) * 4, (y * shot.width + x) * 4 + 3);
  assert.ok(at(160, 110)[0] > at(160, 110)[2] + 60 && at(160, 350)[2] > at(160, 350)[0] + 60, 'the photo, upright');

  await drop(page, fixture);
  await page.waitForFunction((dome) => Module.ccall('lumo_rest_shape_hash', 'string', [], []) !== dome, { timeout: 10000 }, dome);

  const junk = path.join(scratch, 'notes.bin');
  fs.writeFileSync(junk, 'not a picture, not a shape');
  await drop(page, junk);
  assert.ok(await findItem(page, 'Cannot Open', { kind: 'text' }));
  assert.ok(await findItem(page, /^notes\.bin: not a picture/, { kind: 'text' }));
  assert.deepEqual(problems, []);
  await context.close();
});

// --- Files that could hold the page up or fill its memory: shape files full
// of bad numbers or as large as a shape file may be, imported and dropped
// while a timer on the page keeps firing; files over the limit and junk
// refused before the program's memory grows; and ten 12-megapixel photos in
// a row, after which the page's memory is where it was after two.
const limit = 64 * 1024 * 1024;  // kMaxShapeFileBytes
const head = '<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0">\n<dict><key>InitSurfacePosition</key><array>';

function write(name, text) {
  const file = path.join(scratch, name);
  fs.writeFileSync(file, text);
  return file;
}

async function importFromMenu(page, file) {
  await clickCaption(page, 'Load');
  await clickCaption(page, 'Texutre and Shape');
  const [chooser] = await Promise.all([page.waitForFileChooser({ timeout: 15000 }), clickCaption(page, 'Import')]);
  await chooser.accept([file]);
}

// 240,000 numbers that are not numbers, and a good dome whose picture brings
// the file to a few bytes under the limit.
function malformedNumbers() {
  const file = path.join(scratch, 'malformed.lumo');
  if (fs.existsSync(file)) return file;
  return write('malformed.lumo', head + '<real>abc</real>'.repeat(240000) + '</array></dict>\n</plist>\n');
}
function justUnderTheLimit() {
  if (fs.existsSync(path.join(scratch, 'large.lumo'))) return path.join(scratch, 'large.lumo');
  let xml = head;
  for (let v = 0; v < 2500; ++v) xml += `<real>${(v % 50) * 0.008 - 0.2}</real><real>${Math.floor(v / 50) * 0.008 - 0.2}</real><real>0.05</real>`;
  xml += '</array><key>SurfaceImage</key><data>';
  const tail = '</data></dict>\n</plist>\n';
  return write('large.lumo', xml + 'A'.repeat(limit - 1 - xml.length - tail.length) + tail);
}

// A timer on the page's thread, counting its firings.
const startTicking = (page) => page.evaluate(() => {
  window.ticks = 0;
  window.ticker = setInterval(() => { ++window.ticks; }, 10);
});
const ticks = (page) => page.evaluate(() => window.ticks);
const heapBytes = (page) => page.evaluate(() => HEAPU8.length);

test('a shape file of bad numbers or at the size limit, imported or dropped, never stops the page', async () => {
  const rows = [
    { file: malformedNumbers(), way: 'import', answer: /^Not imported: malformed\.lumo: .*not 7500 finite numbers/ },
    { file: malformedNumbers(), way: 'drop', answer: /^malformed\.lumo: .*not 7500 finite numbers/ },
    { file: justUnderTheLimit(), way: 'import', answer: /^Imported large/ },
    { file: justUnderTheLimit(), way: 'drop', answer: /^large\.lumo: .*picture/ },
  ];
  for (const row of rows) {
    const { page, problems, context } = await freshPage();
    await waitForTable(page);
    await startTicking(page);
    const before = await ticks(page);
    if (row.way === 'import') await importFromMenu(page, row.file);
    else await drop(page, row.file);
    const answer = await findItem(page, row.answer, { kind: 'text', timeout: 120000 });
    assert.ok(answer, `${row.way} ${path.basename(row.file)}: the verdict is shown`);
    // The file took the worker seconds; the page's timer went on meanwhile.
    assert.ok(await ticks(page) - before > 20, `${row.way} ${path.basename(row.file)}: the page kept turning`);
    assert.deepEqual(problems, []);
    await context.close();
  }
});

test('a file over the size limit is refused from its size, and junk by the worker, the program\'s memory as it was', async () => {
  const over = path.join(scratch, 'over.lumo');
  fs.writeFileSync(over, Buffer.alloc(limit + 1, 'x'));
  const junk = path.join(scratch, 'junk.lumo');
  fs.writeFileSync(junk, Buffer.alloc(50 * 1000 * 1000, 7));
  for (const [file, answer] of [[over, /larger than a shape file can be/], [junk, /^Not imported: junk\.lumo: /]]) {
    const { page, context } = await freshPage();
    await waitForTable(page);
    const heap = await heapBytes(page);
    await importFromMenu(page, file);
    assert.ok(await findItem(page, answer, { kind: 'text', timeout: 120000 }), path.basename(file));
    assert.equal(await heapBytes(page), heap, `${path.basename(file)}: the program's memory did not grow`);
    await context.close();
  }
});

// The renderer's resident memory (workers live in it), in bytes.
function rendererBytes() {
  const browserPid = browser.process().pid;
  let total = 0;
  for (const pid of fs.readdirSync('/proc').filter((name) => /^\d+$/.test(name))) {
    try {
      const command = fs.readFileSync(`/proc/${pid}/cmdline`, 'utf8');
      const stat = fs.readFileSync(`/proc/${pid}/stat`, 'utf8').split(' ');
      if (!command.includes('--type=renderer') || command.includes('top-chrome') || command.includes('extension'))
        continue;
      if (Number(stat[3]) !== browserPid && !fs.readFileSync(`/proc/${stat[3]}/cmdline`, 'utf8').includes('zygote'))
        continue;
      const rss = /VmRSS:\s+(\d+) kB/.exec(fs.readFileSync(`/proc/${pid}/status`, 'utf8'));
      total += Number(rss[1]) * 1024;
    } catch (gone) { /* a process that ended meanwhile */ }
  }
  return total;
}

test('ten 12-megapixel photos in a row: the page\'s memory levels off', async () => {
  const { page, context } = await freshPage();
  await waitForTable(page);
  const photo = path.join(scratch, 'photo.jpg');
  fs.writeFileSync(photo, await photoBytes(page));
  const after = [];
  for (let n = 1; n <= 10; ++n) {
    await clickCaption(page, 'Load');
    const [chooser] = await Promise.all([page.waitForFileChooser({ timeout: 15000 }), clickCaption(page, 'Texutre')]);
    await chooser.accept([photo]);
    await waitGone(page, 'Choose a Picture', 60000);
    // On the dome: the picture's bitmaps and canvases have had their turn.
    await page.waitForFunction(() => Module.ccall('lumo_animating', 'number', [], []) === 1, { timeout: 60000 });
    await page.evaluate(() => window.gc && window.gc());
    after.push(rendererBytes());
  }
  const mib = (bytes) => (bytes / 1048576).toFixed(1);
  console.log(`renderer after each photo: ${after.map(mib).join(', ')} MiB`);
  assert.ok(after[9] - after[1] <= 15 * 1048576,
            `after the tenth ${mib(after[9])} MiB, after the second ${mib(after[1])} MiB`);
  await context.close();
});
