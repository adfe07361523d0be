// Just enough PNG for the tests: 8-bit greyscale, RGB, RGBA or palette, not
// interlaced (what Chromium's screenshots, lumo's own PNGs and the page's
// icons are).
import zlib from 'node:zlib';

export function decodePng(bytes) {
  const signature = [137, 80, 78, 71, 13, 10, 26, 10];
  signature.forEach((b, i) => { if (bytes[i] !== b) throw new Error('not a PNG'); });
  let offset = 8, width = 0, height = 0, colourType = 0;
  let palette = null, alphas = null;
  const data = [];
  while (offset < bytes.length) {
    const length = bytes.readUInt32BE(offset);
    const type = bytes.toString('latin1', offset + 4, offset + 8);
    const body = bytes.subarray(offset + 8, offset + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || body[12] !== 0) throw new Error('only 8-bit, non-interlaced PNGs');
      colourType = body[9];
    } else if (type === 'PLTE') {
      palette = body;
    } else if (type === 'tRNS') {
      alphas = body;
    } else if (type === 'IDAT') {
      data.push(body);
    } else if (type === 'IEND') {
      break;
    }
    offset += 12 + length;
  }
  const channels = { 0: 1, 2: 3, 3: 1, 4: 2, 6: 4 }[colourType];
  if (!channels) throw new Error('unsupported PNG colour type ' + colourType);
  const raw = zlib.inflateSync(Buffer.concat(data));
  const stride = width * channels;
  const out = Buffer.alloc(width * height * 4);
  let previous = Buffer.alloc(stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = Buffer.from(raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1)));
    for (let x = 0; x < stride; ++x) {
      const a = x >= channels ? line[x - channels] : 0, b = previous[x], c = x >= channels ? previous[x - channels] : 0;
      let predictor = 0;
      if (filter === 1) predictor = a;
      else if (filter === 2) predictor = b;
      else if (filter === 3) predictor = (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        predictor = pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      line[x] = (line[x] + predictor) & 255;
    }
    for (let x = 0; x < width; ++x) {
      const i = (y * width + x) * 4, s = x * channels;
      if (colourType === 3) {
        const entry = line[s];
        palette.copy(out, i, 3 * entry, 3 * entry + 3);
        out[i + 3] = alphas && entry < alphas.length ? alphas[entry] : 255;
        continue;
      }
      const grey = channels < 3;
      out[i] = line[s];
      out[i + 1] = grey ? line[s] : line[s + 1];
      out[i + 2] = grey ? line[s] : line[s + 2];
      out[i + 3] = channels === 4 ? line[s + 3] : channels === 2 ? line[s + 1] : 255;
    }
    previous = line;
  }
  return { width, height, pixels: out };
}

// Mean absolute difference per channel (RGB) over a rectangle, and the share
// of its pixels where some channel differs by more than `far`.
export function compareRegion(a, b, { x = 0, y = 0, width = a.width, height = a.height, far = 16 } = {}) {
  let sum = 0, farCount = 0;
  for (let row = y; row < y + height; ++row) {
    for (let col = x; col < x + width; ++col) {
      const i = (row * a.width + col) * 4, j = (row * b.width + col) * 4;
      let worst = 0;
      for (let c = 0; c < 3; ++c) {
        const d = Math.abs(a.pixels[i + c] - b.pixels[j + c]);
        sum += d;
        worst = Math.max(worst, d);
      }
      if (worst > far) ++farCount;
    }
  }
  const n = width * height;
  return { mean: sum / (3 * n), farShare: farCount / n };
}
