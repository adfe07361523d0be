// What the page says when something goes wrong: every file of the site
// failing in turn, a download cut off half-way, no WebGL 2, the program
// stopping, no storage. Nothing is left black or loading: either the dome
// is drawn or a message says what happened, with Try again where trying
// again can help (and it does).
import { test, after } from 'node:test';
import assert from 'node:assert/strict';
import fs from 'node:fs';
import path from 'node:path';

import { serveSite, stopServing, openBrowser, siteFolder, pause } from './site.mjs';
import { clickCaption, findItem } from './controls.mjs';

const desk = { width: 320, height: 480, deviceScaleFactor: 1 };
const browsers = [];
after(async () => { for (const browser of browsers) await browser.close(); });

async function browserWith(args = []) {
  const browser = await openBrowser(args);
  browsers.push(browser);
  return browser;
}

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

async function open(browser, server, beforeLoad = null) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  if (beforeLoad) await page.evaluateOnNewDocument(beforeLoad);
  await page.setViewport(desk);
  await page.goto(`http://127.0.0.1:${server.address().port}/`);
  return { page, context };
}

const siteFiles = fs.readdirSync(siteFolder, { recursive: true })
  .filter((name) => fs.statSync(path.join(siteFolder, name)).isFile() && name !== 'index.html');

test('each file of the site answered with a 503: the dome is drawn without it, or a message says so and Try again works', async () => {
  const browser = await browserWith();
  let failing = null;
  const server = await serveSite(siteFolder, {
    fault: (name, response) => {
      if (name !== failing) return false;
      response.writeHead(503, 'Service Unavailable');
      response.end();
      return true;
    },
  });
  // Without these the program cannot start; the others it does without.
  const needed = ['page.js', 'lumo.js', 'lumo.wasm'];
  try {
    for (const file of siteFiles) {
      failing = file;
      const { page, context } = await open(browser, server);
      const state = await settle(page);
      if (needed.includes(file)) {
        assert.ok(!state.drawn && state.shown, `${file}: a message instead of a black page`);
        assert.match(state.title, /could not be downloaded/, file);
        assert.ok(state.text.includes(file), `${file}: the message names the file: ${state.text}`);
        assert.ok(state.retry, `${file}: Try again`);
        failing = null;
        await Promise.all([page.waitForNavigation(), page.click('#status-retry')]);
        assert.ok((await settle(page)).drawn, `${file}: drawn after trying again`);
      } else {
        assert.ok(state.drawn, `${file}: drawn without it (${state.title} ${state.text})`);
        if (/^table_rows/.test(file)) {
          await page.waitForFunction(() => Module.lumoMetrics && Module.lumoMetrics.tableBuildMs !== undefined,
                                     { timeout: 60000 });
          const hash = await page.evaluate(() => Module.ccall('lumo_table_hash', 'string', [], []));
          assert.equal(hash, '85bc6bfcd3371e21', `${file}: the table built on the page's thread is the same`);
        }
      }
      await context.close();
    }
  } finally {
    await stopServing(server);
  }
});

test('a download cut off half-way says so, and Try again draws the dome', async () => {
  const browser = await browserWith();
  let cut = true;
  const server = await serveSite(siteFolder, {
    fault: (name, response) => {
      if (name !== 'lumo.wasm' || !cut) return false;
      const bytes = fs.readFileSync(path.join(siteFolder, name));
      response.writeHead(200, { 'Content-Type': 'application/wasm', 'Content-Length': bytes.length });
      response.write(bytes.subarray(0, bytes.length >> 1), () => response.socket.destroy());
      return true;
    },
  });
  try {
    const { page, context } = await open(browser, server);
    const state = await settle(page);
    assert.ok(!state.drawn && state.shown && state.retry, JSON.stringify(state));
    assert.match(state.title + ' ' + state.text, /lumo\.wasm/);
    cut = false;
    await Promise.all([page.waitForNavigation(), page.click('#status-retry')]);
    assert.ok((await settle(page)).drawn);
    await context.close();
  } finally {
    await stopServing(server);
  }
});

test('without WebGL 2 the page says so at once, before the program has downloaded', async () => {
  const browser = await browserWith(['--disable-webgl2']);
  const server = await serveSite();
  try {
    const { page, context } = await open(browser, server);
    const state = await settle(page);
    assert.ok(!state.drawn && state.shown);
    assert.match(state.title, /cannot show lumo/);
    assert.match(state.text, /WebGL 2/);
    assert.ok(!state.retry, 'trying again cannot help');
    await context.close();
  } finally {
    await stopServing(server);
  }
});

test('the program stopping by an error inside it says so, with Try again', async () => {
  const browser = await browserWith();
  const server = await serveSite();
  try {
    const { page, context } = await open(browser, server);
    assert.ok((await settle(page)).drawn);
    await page.evaluate(() => { try { abort('a test of stopping'); } catch (expected) { /* abort throws */ } });
    const state = await settle(page);
    assert.ok(state.shown && state.retry);
    assert.match(state.title, /lumo stopped/);
    assert.match(state.text, /a test of stopping/);
    assert.doesNotMatch(state.text, /ASSERTIONS/);
    await context.close();
  } finally {
    await stopServing(server);
  }
});

test('without storage (a private window) a notice says shapes cannot be kept, and the rest works', async () => {
  const browser = await browserWith();
  const server = await serveSite();
  try {
    const { page, context } = await open(browser, server, () => {
      IDBFactory.prototype.open = function () { throw new DOMException('The operation is insecure.', 'SecurityError'); };
    });
    assert.ok((await settle(page)).drawn, 'the dome is drawn');
    await page.waitForFunction(() => !document.getElementById('notice').hidden, { timeout: 30000 });
    assert.match(await page.$eval('#notice-text', (e) => e.textContent), /cannot be kept/);
    await page.click('#notice-close');
    assert.ok(await page.$eval('#notice', (e) => e.hidden));
    await pause(500);
    await clickCaption(page, 'Save');
    assert.ok(await findItem(page, 'save failed', { kind: 'text', timeout: 20000 }), 'Save says it failed');
    await context.close();
  } finally {
    await stopServing(server);
  }
});
