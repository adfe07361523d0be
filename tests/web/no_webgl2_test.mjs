// A browser without WebGL 2 (Chromium's --disable-webgl2, a browser of its
// own): the page says so at once, without waiting for the program's
// download, and offers no Try again, which cannot help.
import { test, after } from 'node:test';
import assert from 'node:assert/strict';

import { serveSite, stopServing, openBrowser } from './site.mjs';

let browser, server;
after(async () => {
  await browser?.close();
  if (server) await stopServing(server);
});

test('without WebGL 2 the page says so in plain words, with no Try again', async () => {
  browser = await openBrowser(['--disable-webgl2']);
  server = await serveSite();
  const page = await browser.newPage();
  await page.goto(`http://127.0.0.1:${server.address().port}/`);
  await page.waitForFunction(() => !document.getElementById('status-text').hidden ||
                             /cannot/.test(document.getElementById('status-title').textContent), { timeout: 30000 });
  const state = await page.evaluate(() => ({
    title: document.getElementById('status-title').textContent,
    text: document.getElementById('status-text').textContent + ' ' + document.getElementById('status-detail').textContent,
    retry: !document.getElementById('status-retry').hidden,
    drawn: !!(window.Module && Module.lumoFramesPresented > 0),
  }));
  assert.ok(!state.drawn);
  assert.match(state.title, /cannot show lumo/);
  assert.match(state.text, /WebGL 2/);
  assert.ok(!state.retry, 'trying again cannot help');
});
