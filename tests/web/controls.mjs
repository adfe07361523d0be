// lumo's controls found by their captions, as the program reports them
// (lumo_controls: the panel and every modal widget's items, in the canvas's
// CSS pixels), and clicked with the mouse like a user would.
import { pause } from './site.mjs';

export async function controls(page) {
  return JSON.parse(await page.evaluate(() => Module.ccall('lumo_controls', 'string', [], [])));
}

// The first item whose caption matches (a string: equal; a RegExp: test),
// waited for; null after `timeout` ms.
export async function findItem(page, caption, { kind = null, timeout = 15000, index = 0 } = {}) {
  const matches = (item) => (kind === null || item.kind === kind) &&
    (caption instanceof RegExp ? caption.test(item.caption) : item.caption === caption);
  const end = Date.now() + timeout;
  for (;;) {
    const found = (await controls(page)).filter(matches);
    if (found.length > index) return found[index];
    if (Date.now() > end) return null;
    await pause(100);
  }
}

// The program reads the mouse once per interface frame: a control is
// clicked once it has been on screen a few frames, and the click is given a
// few frames to take effect.
export async function clickCaption(page, caption, options = {}) {
  let item = await findItem(page, caption, options);
  if (item) {
    await pause(150);
    item = await findItem(page, caption, options);
  }
  if (!item) {
    const seen = (await controls(page)).map((i) => i.caption).join(' | ');
    throw new Error(`no "${caption}" on screen; seen: ${seen}`);
  }
  const box = await page.evaluate(() => {
    const r = document.getElementById('canvas').getBoundingClientRect();
    return { left: r.left, top: r.top };
  });
  await page.mouse.click(box.left + item.x + item.width / 2, box.top + item.y + item.height / 2);
  await pause(150);
  return item;
}

// Until no item has this caption any more.
export async function waitGone(page, caption, timeout = 15000) {
  const end = Date.now() + timeout;
  while ((await controls(page)).some((item) => item.caption === caption)) {
    if (Date.now() > end) throw new Error(`"${caption}" is still on screen`);
    await pause(100);
  }
}

export const restShapeHash = (page) => page.evaluate(() => Module.ccall('lumo_rest_shape_hash', 'string', [], []));
export const animating = (page) => page.evaluate(() => Module.ccall('lumo_animating', 'number', [], []) === 1);
export const restShape = async (page) =>
  JSON.parse(await page.evaluate(() => Module.ccall('lumo_rest_shape', 'string', [], [])));
