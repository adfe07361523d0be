// What the page says when something goes wrong: every file of the site
// failing in turn, a download cut off half-way, the program stopping, no
// storage (no WebGL 2: no_webgl2_test.mjs, a browser of its own). Nothing
// is left black or loading: either the dome is drawn or a message says what
// happened, with Try again where trying again can help (and it does).
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';

import { serveSite, stopServing, openBrowser, siteFolder } from './site.mjs';
import { clickCaption, findItem } from './controls.mjs';

const desk = { width: 320, height: 480, deviceScaleFactor: 1 };
// What the server does wrong, for the test under way: files answered with a
// 503, and one whose body is cut off half-way.
const failing = new Set();
let cut = null;
let browser, server;
before(async () => {
  browser = await openBrowser();
  server = await serveSite(siteFolder, {
    fault: (name, response) => {
      if (failing.has(name)) {
        response.writeHead(503, 'Service Unavailable');
        response.end();
        return true;
      }
      if (name !== cut) return false;
      const bytes = fs.readFileSync(path.join(siteFolder, name));
      response.writeHead(200, { 'Content-Type': 'application/wasm', 'Content-Length': bytes.length });
      response.write(bytes.subarray(0, bytes.length >> 1), () => response.socket.destroy());
      return true;
    },
  });
});
after(async () => {
  await browser?.close();
  if (server) await stopServing(server);
});

// The page's state once it has settled: drawn, or what its message says.
async function settle(page) {
  await page.waitForFunction(() => (window.Module && Module.lumoFramesPresented > 0) ||
    (document.getElementById('status-text') && !document.getElementById('status-text').hidden) ||
    /could not be downloaded/.test(document.getElementById('status-title').textContent), { timeout: 90000 });
  return page.evaluate(() => ({
    drawn: !!(window.Module && Module.lumoFramesPresented > 0),
    shown: !document.getElementById('status').hidden,
    title: document.getElementById('status-title').textContent,
    text: document.getElementById('status-text').textContent + ' ' + document.getElementById('status-detail').textContent,
    retry: !document.getElementById('status-retry').hidden,
    farmed: window.Module && window.lumoTableRows ? !window.lumoTableRows.failed() : false,
  }));
}

async function open(beforeLoad = null) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  if (beforeLoad) await page.evaluateOnNewDocument(beforeLoad);
  await page.setViewport(desk);
  await page.goto(`http://127.0.0.1:${server.address().port}/`);
  return { page, context };
}

const siteFiles = fs.readdirSync(siteFolder, { recursive: true })
  .filter((name) => fs.statSync(path.join(siteFolder, name)).isFile() && name !== 'index.html');

// The program cannot start without these; the others it does without.
const needed = ['page.js', 'lumo.js', 'lumo.wasm'];

test('each file of the site answered with a 503: the dome is drawn without it, or a message says so and Try again works', async () => {
  // Every file it can do without failing at once: the dome is still drawn,
  // its table built on the page's thread where the workers' module is
  // missing, to the same bits.
  for (const file of siteFiles) if (!needed.includes(file)) failing.add(file);
  {
    const { page, context } = await open();
    const state = await settle(page);
    assert.ok(state.drawn, `drawn without ${[...failing].join(', ')} (${state.title} ${state.text})`);
    await page.waitForFunction(() => Module.lumoMetrics && Module.lumoMetrics.tableBuildMs !== undefined,
                               { timeout: 60000 });
    const hash = await page.evaluate(() => Module.ccall('lumo_table_hash', 'string', [], []));
    assert.equal(hash, '85bc6bfcd3371e21', 'the table built on the page\'s thread is the same');
    await context.close();
    failing.clear();
  }
  for (const file of needed) {
    failing.add(file);
    const { page, context } = await open();
    const state = await settle(page);
    assert.ok(!state.drawn && state.shown, `${file}: a message instead of a black page`);
    assert.match(state.title, /could not be downloaded/, file);
    assert.ok(state.text.includes(file), `${file}: the message names the file: ${state.text}`);
    assert.ok(state.retry, `${file}: Try again`);
    failing.clear();
    await Promise.all([page.waitForNavigation(), page.click('#status-retry')]);
    assert.ok((await settle(page)).drawn, `${file}: drawn after trying again`);
    await context.close();
  }
});

test('a download cut off half-way says so, and Try again draws the dome', async () => {
  cut = 'lumo.wasm';
  const { page, context } = await open();
  const state = await settle(page);
  assert.ok(!state.drawn && state.shown && state.retry, JSON.stringify(state));
  assert.match(state.title + ' ' + state.text, /lumo\.wasm/);
  cut = null;
  await Promise.all([page.waitForNavigation(), page.click('#status-retry')]);
  assert.ok((await settle(page)).drawn);
  await context.close();
});

test('without storage (a private window) a notice says shapes cannot be kept and the rest works; the program stopping by an error says so, with Try again', async () => {
  const { page, context } = await open(() => {
    IDBFactory.prototype.open = function () { throw new DOMException('The operation is insecure.', 'SecurityError'); };
  });
  assert.ok((await settle(page)).drawn, 'the dome is drawn');
  await page.waitForFunction(() => !document.getElementById('notice').hidden, { timeout: 30000 });
  assert.match(await page.$eval('#notice-text', (e) => e.textContent), /cannot be kept/);
  await page.click('#notice-close');
  assert.ok(await page.$eval('#notice', (e) => e.hidden));
  await clickCaption(page, 'Save');
  assert.ok(await findItem(page, 'save failed', { kind: 'text', timeout: 20000 }), 'Save says it failed');

  await page.evaluate(() => { try { abort('a test of stopping'); } catch (expected) { /* abort throws */ } });
  await page.waitForFunction(() => /stopped/.test(document.getElementById('status-title').textContent),
                             { timeout: 10000 });
  const state = await settle(page);
  assert.ok(state.shown && state.retry);
  assert.match(state.title, /lumo stopped/);
  assert.match(state.text, /a test of stopping/);
  assert.doesNotMatch(state.text, /ASSERTIONS/);
  await context.close();
});
