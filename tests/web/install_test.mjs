// Installing the page: what Chromium makes of its manifest and service
// worker, the page started again with no network and no host, and a new
// build taking the place of the old copy.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

import { decodePng } from './png.mjs';
import { serveSite, stopServing, openBrowser, openLumo, waitForTable, siteFolder } from './site.mjs';
import { findItem, clickCaption } from './controls.mjs';

const phone = { width: 390, height: 700, deviceScaleFactor: 2, isMobile: true, hasTouch: true };
const sourceFolder = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../../web');

let browser;
before(async () => { browser = await openBrowser(); });
after(async () => { await browser?.close(); });

// lumo served from `folder` and open on a phone page, with the page under
// its service worker: the copy is made after the page's own load, which on a
// busy machine can take a while. Page and server go when the test ends, pass
// or fail (an open server would keep the test file running).
async function openControlled(t, folder = siteFolder) {
  const server = await serveSite(folder);
  t.after(() => stopServing(server));
  const opened = await openLumo(browser, server, phone);
  t.after(() => opened.page.close());
  await opened.page.waitForFunction(() => navigator.serviceWorker.controller !== null, { timeout: 180000 });
  return { server, ...opened };
}

const origin = (server) => `http://127.0.0.1:${server.address().port}`;

// Every file of a site folder, as paths inside it, but the worker itself.
function filesOf(folder) {
  return fs.readdirSync(folder, { recursive: true })
    .filter((name) => fs.statSync(path.join(folder, name)).isFile() && name !== 'sw.js')
    .sort();
}

// At least 90 % of the middle of the view shows the picture: neither the
// clear colour (mid grey) nor black.
async function domeDrawn(page) {
  const picture = decodePng(Buffer.from(await page.screenshot({ type: 'png' })));
  const viewTop = 0;  // the panel does not fit below: the view goes to the top
  const [x0, y0, size] = [(195 - 50) * 2, (viewTop + 290 - 50) * 2, 200];
  let lit = 0;
  for (let y = y0; y < y0 + size; y += 4) {
    for (let x = x0; x < x0 + size; x += 4) {
      const i = (y * picture.width + x) * 4;
      const [r, g, b] = [picture.pixels[i], picture.pixels[i + 1], picture.pixels[i + 2]];
      if (!(Math.abs(r - 128) < 3 && Math.abs(g - 128) < 3 && Math.abs(b - 128) < 3) && r + g + b > 60) ++lit;
    }
  }
  return lit > 0.9 * (size / 4) ** 2;
}

test('Chromium finds the page installable, and its manifest and icons are what they say', async (t) => {
  const { server, page, problems } = await openControlled(t);
  const cdp = await page.createCDPSession();
  const { installabilityErrors } = await cdp.send('Page.getInstallabilityErrors');
  assert.deepEqual(installabilityErrors, []);

  const { url, errors, data } = await cdp.send('Page.getAppManifest');
  assert.equal(url, `${origin(server)}/manifest.webmanifest`);
  assert.deepEqual(errors, []);
  const manifest = JSON.parse(data);
  assert.equal(manifest.name, 'lumo');
  assert.ok(manifest.short_name);
  assert.equal(manifest.display, 'standalone');
  assert.equal(manifest.orientation, 'portrait');
  assert.equal(new URL(manifest.start_url, url).href, `${origin(server)}/`);
  assert.equal(new URL(manifest.scope, url).href, `${origin(server)}/`);
  const themeColour = await page.$eval('meta[name="theme-color"]', (meta) => meta.content);
  assert.equal(manifest.theme_color.toLowerCase(), themeColour.toLowerCase());

  // Each icon is a PNG of the size it is listed with; a maskable one is among them.
  for (const icon of manifest.icons) {
    const response = await fetch(new URL(icon.src, url));
    assert.equal(response.status, 200, icon.src);
    const png = decodePng(Buffer.from(await response.arrayBuffer()));
    assert.equal(`${png.width}x${png.height}`, icon.sizes, icon.src);
  }
  const sizes = (purpose) => manifest.icons.filter((icon) => (icon.purpose || 'any').split(' ').includes(purpose))
    .map((icon) => icon.sizes);
  assert.ok(sizes('any').includes('192x192') && sizes('any').includes('512x512'));
  assert.ok(sizes('maskable').includes('512x512'));
  assert.deepEqual(problems, []);
});

test('the service worker keeps every file of the site', async (t) => {
  const { page } = await openControlled(t);
  const kept = await page.evaluate(async () => {
    const names = await caches.keys();
    const requests = await (await caches.open(names[0])).keys();
    return { names, paths: requests.map((request) => new URL(request.url).pathname.slice(1)).sort() };
  });
  assert.equal(kept.names.length, 1);
  assert.deepEqual(kept.paths, filesOf(siteFolder));
});

test('with the network off and the host gone, the page starts from its copy, draws the dome and lists the saved shapes', async (t) => {
  const { server, page, problems } = await openControlled(t);
  const address = origin(server);
  await waitForTable(page);
  await clickCaption(page, 'Save');
  assert.ok(await findItem(page, 'saved', { kind: 'text' }));
  await clickCaption(page, 'OK');
  const cdp = await page.createCDPSession();
  await cdp.send('Network.enable');
  await cdp.send('Network.emulateNetworkConditions',
                 { offline: true, latency: 0, downloadThroughput: -1, uploadThroughput: -1 });
  await stopServing(server);

  const fromWorker = new Map();
  page.on('response', (response) => fromWorker.set(new URL(response.url()).pathname, response.fromServiceWorker()));
  const startsAgain = async (go) => {
    fromWorker.clear();
    const response = await go();
    assert.ok(response?.fromServiceWorker(), 'the page itself comes from the service worker');
    await page.waitForFunction(() => window.Module && Module.lumoFramesPresented > 0, { timeout: 120000 });
    // The dome is revealed from the top as its table is built.
    await waitForTable(page);
    for (const file of ['page.js', 'lumo.js', 'lumo.wasm', 'table_rows.wasm'])
      assert.equal(fromWorker.get(`/${file}`), true, `${file} comes from the service worker`);
    assert.ok(await domeDrawn(page), 'the middle of the view is drawn');
  };
  await startsAgain(() => page.reload());
  // Where the home screen starts it: the folder's own address.
  await startsAgain(() => page.goto(`${address}/`));
  // The shape saved before is kept in the browser, network or not.
  await clickCaption(page, 'Load');
  await clickCaption(page, 'Texutre and Shape');
  assert.ok(await findItem(page, /^\d{1,2} [A-Z][a-z]{2} \d{4}, /, { kind: 'control' }), 'the saved shape is listed');
  assert.deepEqual(problems, []);
});

test('a new build replaces the copy: a new cache with the new files, the old one dropped', async (t) => {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'lumo-site-'));
  t.after(() => fs.rmSync(folder, { recursive: true, force: true }));
  fs.cpSync(siteFolder, folder, { recursive: true });
  const { server, page } = await openControlled(t, folder);
  const [oldCache] = await page.evaluate(() => caches.keys());

  // What the build does when a file of the site changes.
  fs.appendFileSync(path.join(folder, 'page.js'), '// the next build\n');
  execFileSync('cmake', [`-DSITE=${folder}`, `-DFILES=${filesOf(folder).join(',')}`,
                         `-DTEMPLATE=${path.join(sourceFolder, 'sw.js.in')}`, `-DOUTPUT=${path.join(folder, 'sw.js')}`,
                         '-P', path.join(sourceFolder, 'service_worker.cmake')]);

  // A navigation makes the browser look at sw.js again; the new worker
  // copies the site and drops the old cache.
  await page.reload();
  await page.waitForFunction(async (oldCache) => {
    const names = await caches.keys();
    return names.length === 1 && names[0] !== oldCache;
  }, { timeout: 180000, polling: 500 }, oldCache);
  // With the host gone, only the new copy can answer.
  await stopServing(server);
  const response = await page.reload();
  assert.ok(response?.fromServiceWorker());
  const script = await page.evaluate(async () => (await fetch('page.js')).text());
  assert.match(script, /the next build/);
});
