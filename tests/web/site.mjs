// The test's own web server for the built site, on a free loopback port, and
// a headless Chromium to open it in.
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import { createRequire } from 'node:module';

const require = createRequire(import.meta.url);
const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');
const puppeteer = require(path.join(root, 'build/node/node_modules/puppeteer-core'));

export const siteFolder = process.env.LUMO_SITE || path.join(root, 'build/web/site');
export const nativeLumo = process.env.LUMO_NATIVE || path.join(root, 'build/default/app/lumo');

const types = { '.html': 'text/html', '.js': 'text/javascript', '.mjs': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm', '.data': 'application/octet-stream', '.png': 'image/png', '.json': 'application/json',
  '.webmanifest': 'application/manifest+json' };

// `fault(name, response)`, when given, may answer a request itself (a 503, a
// body cut off half-way) and returns true when it did.
export function serveSite(folder = siteFolder, { fault = null } = {}) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    if (fault && fault(name.slice(1) || 'index.html', response)) return;
    const file = path.join(folder, name === '/' ? 'index.html' : name);
    if (!file.startsWith(folder) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404);
      response.end();
      return;
    }
    response.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// Gone for good: no new connections, and the browser's open ones cut too.
export function stopServing(server) {
  const closed = new Promise((resolve) => server.close(resolve));
  server.closeAllConnections();
  return closed;
}

export async function openBrowser(extraArguments = []) {
  return puppeteer.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: ['--no-sandbox', '--use-gl=swiftshader', '--enable-unsafe-swiftshader', '--ignore-gpu-blocklist',
           ...extraArguments],
  });
}

// A page with lumo running and its first frame drawn; console errors and
// page errors collected. beforeLoad runs in the page ahead of its own scripts.
export async function openLumo(browser, server, viewport, { beforeLoad = null } = {}) {
  const page = await browser.newPage();
  if (beforeLoad) await page.evaluateOnNewDocument(beforeLoad);
  const problems = [];
  page.on('console', (message) => { if (message.type() === 'error') problems.push(message.text()); });
  page.on('pageerror', (error) => problems.push(error.message));
  await page.setViewport(viewport);
  const started = Date.now();
  await page.goto(`http://127.0.0.1:${server.address().port}/index.html`);
  await page.waitForFunction(() => window.Module && Module.lumoFramesPresented > 0, { timeout: 60000 });
  const firstFrameMs = Date.now() - started;
  return { page, problems, firstFrameMs };
}

export async function waitForTable(page) {
  await page.waitForFunction(() => Module.lumoMetrics && Module.lumoMetrics.tableBuildMs !== undefined, { timeout: 60000 });
}

export const pause = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// A 4000 x 3000 JPEG made in the page, with enough in it to cost what a
// photo costs to decode; its bytes.
export async function photoBytes(page) {
  return Buffer.from(await page.evaluate(async () => {
    const canvas = new OffscreenCanvas(4000, 3000);
    const c = canvas.getContext('2d');
    for (let i = 0; i < 3000; ++i) {
      c.fillStyle = `hsl(${(i * 37) % 360} 70% ${30 + (i * 13) % 40}%)`;
      c.fillRect((i * 97) % 4000, (i * 53) % 3000, 300, 200);
    }
    return [...new Uint8Array(await (await canvas.convertToBlob({ type: 'image/jpeg', quality: 0.92 })).arrayBuffer())];
  }));
}
