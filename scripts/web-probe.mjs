// Checks that headless Chromium renders WebGL here, through puppeteer-core
// (installed by scripts/install-web-tools into build/node).
//
//   node scripts/web-probe.mjs
//     opens a page whose WebGL canvas is cleared to a known colour, reads the
//     colour back with readPixels and from a real screenshot; exit 0 if both match.
//   node scripts/web-probe.mjs URL OUT.png [WAIT_MS]
//     opens URL (serve it on 127.0.0.1), waits WAIT_MS (default 3000), saves a
//     screenshot and prints the page's console and errors.
import { createRequire } from 'node:module';
import { writeFileSync } from 'node:fs';

const require = createRequire(new URL('../build/node/package.json', import.meta.url));
const puppeteer = require('puppeteer-core');

export const launchOptions = {
  executablePath: '/usr/bin/chromium',
  headless: true, // puppeteer-core 24 passes --headless=new
  args: ['--no-sandbox', '--use-gl=swiftshader', '--enable-unsafe-swiftshader', '--window-size=640,480'],
  defaultViewport: { width: 640, height: 480 },
};

const page_html = `<!doctype html><html><body style="margin:0;background:#000">
<canvas id="c" width="64" height="64"></canvas>
<script>
  const gl = document.getElementById('c').getContext('webgl', { preserveDrawingBuffer: true });
  window.probe = { webgl: !!gl };
  if (gl) {
    gl.clearColor(0.2, 0.6, 1.0, 1.0);
    gl.clear(gl.COLOR_BUFFER_BIT);
    const px = new Uint8Array(4);
    gl.readPixels(32, 32, 1, 1, gl.RGBA, gl.UNSIGNED_BYTE, px);
    window.probe.readPixels = Array.from(px);
    window.probe.renderer = gl.getParameter(gl.RENDERER);
  }
</script></body></html>`;

// Reads pixel (x, y) of a PNG screenshot inside the page, with its own decoder.
async function screenshotPixel(page, png, x, y) {
  return page.evaluate(async (b64, x, y) => {
    const img = new Image();
    img.src = 'data:image/png;base64,' + b64;
    await img.decode();
    const canvas = document.createElement('canvas');
    canvas.width = img.width;
    canvas.height = img.height;
    const ctx = canvas.getContext('2d');
    ctx.drawImage(img, 0, 0);
    return Array.from(ctx.getImageData(x, y, 1, 1).data);
  }, png.toString('base64'), x, y);
}

const browser = await puppeteer.launch(launchOptions);
let failed = false;
try {
  const page = await browser.newPage();
  page.on('console', (m) => console.log(`console.${m.type()}: ${m.text()}`));
  page.on('pageerror', (e) => { console.log(`page error: ${e.message}`); failed = true; });
  const [url, out, wait] = process.argv.slice(2);
  if (url) {
    await page.goto(url, { waitUntil: 'load' });
    await new Promise((r) => setTimeout(r, Number(wait ?? 3000)));
    writeFileSync(out ?? 'probe.png', await page.screenshot());
    console.log(`saved ${out ?? 'probe.png'}`);
  } else {
    await page.goto('data:text/html;base64,' + Buffer.from(page_html).toString('base64'));
    const probe = await page.evaluate(() => window.probe);
    const shot = await screenshotPixel(page, await page.screenshot(), 32, 32);
    console.log(`chromium ${await browser.version()}, WebGL renderer: ${probe.renderer}`);
    console.log(`readPixels ${probe.readPixels}, screenshot ${shot}`);
    const want = [51, 153, 255, 255];
    const near = (a) => a && a.every((v, i) => Math.abs(v - want[i]) <= 1);
    if (!probe.webgl || !near(probe.readPixels) || !near(shot)) failed = true;
  }
} finally {
  await browser.close();
}
console.log(failed ? 'web probe FAILED' : 'web probe ok');
process.exit(failed ? 1 : 0);
