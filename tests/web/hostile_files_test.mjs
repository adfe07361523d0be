// Files that could hold the page up or fill its memory: shape files full of
// bad numbers or as large as a shape file may be, imported and dropped
// while a timer on the page keeps firing; files over the limit and junk
// refused before the program's memory grows; and ten 12-megapixel photos
// in a row, after which the page's memory is where it was after two.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

import { serveSite, openBrowser, openLumo, waitForTable } from './site.mjs';
import { findItem, clickCaption, waitGone } from './controls.mjs';

const desk = { width: 320, height: 480, deviceScaleFactor: 1 };
const limit = 64 * 1024 * 1024;  // kMaxShapeFileBytes
const head = '<?xml version="1.0" encoding="UTF-8"?>\n<plist version="1.0">\n<dict><key>InitSurfacePosition</key><array>';

let server, browser, scratch;
before(async () => {
  server = await serveSite();
  browser = await openBrowser(['--js-flags=--expose-gc']);
  scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'lumo-hostile-'));
});
after(async () => {
  await browser?.close();
  server?.close();
  if (scratch) fs.rmSync(scratch, { recursive: true, force: true });
});

function write(name, text) {
  const file = path.join(scratch, name);
  fs.writeFileSync(file, text);
  return file;
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

async function freshPage() {
  const context = await browser.createBrowserContext();
  const opened = await openLumo(context, server, desk);
  await waitForTable(opened.page);
  return { ...opened, context };
}

// A timer on the page's thread, counting its firings.
const startTicking = (page) => page.evaluate(() => {
  window.ticks = 0;
  window.ticker = setInterval(() => { ++window.ticks; }, 10);
});
const ticks = (page) => page.evaluate(() => window.ticks);
const heapBytes = (page) => page.evaluate(() => HEAPU8.length);

async function importFile(page, file) {
  await clickCaption(page, 'Load');
  await clickCaption(page, 'Texutre and Shape');
  const [chooser] = await Promise.all([page.waitForFileChooser({ timeout: 15000 }), clickCaption(page, 'Import')]);
  await chooser.accept([file]);
}

async function drop(page, file) {
  const input = await page.evaluateHandle(() => {
    const element = document.createElement('input');
    element.type = 'file';
    element.style.display = 'none';
    document.body.appendChild(element);
    return element;
  });
  await input.uploadFile(file);
  await page.evaluate((element) => {
    const data = new DataTransfer();
    data.items.add(element.files[0]);
    element.remove();
    window.dispatchEvent(new DragEvent('drop', { dataTransfer: data, bubbles: true, cancelable: true }));
  }, input);
}

test('a shape file of bad numbers or at the size limit, imported or dropped, never stops the page', async () => {
  const rows = [
    { file: malformedNumbers(), way: 'import', answer: /^Not imported: malformed\.lumo: .*not 7500 finite numbers/ },
    { file: malformedNumbers(), way: 'drop', answer: /^malformed\.lumo: .*not 7500 finite numbers/ },
    { file: justUnderTheLimit(), way: 'import', answer: /^Imported large/ },
    { file: justUnderTheLimit(), way: 'drop', answer: /^large\.lumo: .*picture/ },
  ];
  for (const row of rows) {
    const { page, problems, context } = await freshPage();
    await startTicking(page);
    const before = await ticks(page);
    if (row.way === 'import') await importFile(page, row.file);
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
    const heap = await heapBytes(page);
    await importFile(page, file);
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
  const photo = path.join(scratch, 'photo.jpg');
  fs.writeFileSync(photo, Buffer.from(await page.evaluate(async () => {
    const canvas = new OffscreenCanvas(4000, 3000);
    const c = canvas.getContext('2d');
    for (let i = 0; i < 3000; ++i) {
      c.fillStyle = `hsl(${(i * 37) % 360} 70% ${30 + (i * 13) % 40}%)`;
      c.fillRect((i * 97) % 4000, (i * 53) % 3000, 300, 200);
    }
    return [...new Uint8Array(await (await canvas.convertToBlob({ type: 'image/jpeg', quality: 0.92 })).arrayBuffer())];
  })));
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
