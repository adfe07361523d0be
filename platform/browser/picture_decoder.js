// Pictures decoded into RGBA and fitted into the texture square away from
// the page's thread, packed into lumo.js ahead of the program. Chromium
// decodes for createImageBitmap on a thread of its own but scales and turns
// the result on the thread that asked: for a 12-megapixel photo that is
// 150 ms or more, so a worker asks. Where a worker cannot (no
// OffscreenCanvas there), the page's thread does it.

Module.lumoPictureDecoder = (function () {
  // The steps, on whichever thread runs them; the worker gets their source.
  // Decoded straight to width x height (the browser scales as it decodes,
  // turned upright), then the middle side x side cut out: the picture
  // fitted into the texture square as the program fits it, so nothing is
  // left to scale on the page's thread. The bitmap and the canvas's pixels
  // are let go at once, not at the next garbage collection.
  async function decodeToRgba(file, width, height, side) {
    const bitmap = await createImageBitmap(file, {
      imageOrientation: 'from-image', premultiplyAlpha: 'none', colorSpaceConversion: 'default',
      resizeWidth: width, resizeHeight: height, resizeQuality: 'high' });
    let canvas = null;
    try {
      canvas = typeof OffscreenCanvas !== 'undefined'
        ? new OffscreenCanvas(side, side)
        : Object.assign(document.createElement('canvas'), { width: side, height: side });
      const context = canvas.getContext('2d', { willReadFrequently: true });
      context.drawImage(bitmap, Math.round((bitmap.width - side) / 2), Math.round((bitmap.height - side) / 2), side,
                        side, 0, 0, side, side);
      const pixels = context.getImageData(0, 0, side, side).data;
      return { width: side, height: side, bytes: new Uint8Array(pixels.buffer) };
    } finally {
      bitmap.close();
      if (canvas) {
        canvas.width = 0;
        canvas.height = 0;
      }
    }
  }

  // Runs in the worker: one picture per message, answered with its pixels
  // (the buffer moved, not copied) or why not.
  function workerMain() {
    self.onmessage = async function (message) {
      const { id, file, width, height, side } = message.data;
      if (typeof OffscreenCanvas === 'undefined' || typeof createImageBitmap === 'undefined') {
        self.postMessage({ id: id, unsupported: true });
        return;
      }
      try {
        const answer = await decodeToRgba(file, width, height, side);
        const pixels = answer.bytes.buffer;
        self.postMessage({ id: id, width: answer.width, height: answer.height, pixels: pixels }, [pixels]);
      } catch (error) {
        self.postMessage({ id: id, error: String(error && error.message || error) });
      }
    };
  }

  let worker = null;      // made at the first picture; null once it proved unusable
  let workerUsable = typeof Worker !== 'undefined' && typeof Blob !== 'undefined';
  let nextId = 1;
  const waiting = new Map();  // id -> { resolve, reject, fallback }

  function startWorker() {
    const source = decodeToRgba.toString() + '\n(' + workerMain.toString() + ')();';
    // Kept for the page's life: a browser may still be fetching it after the
    // constructor returns, and there is only ever one.
    const url = URL.createObjectURL(new Blob([source], { type: 'text/javascript' }));
    const made = new Worker(url);
    made.onmessage = function (message) {
      const answer = message.data;
      const request = waiting.get(answer.id);
      if (!request) return;
      waiting.delete(answer.id);
      if (answer.unsupported) {
        giveUpWorker();
        request.fallback();
      } else if (answer.error) {
        request.reject(new Error(answer.error));
      } else {
        request.resolve({ width: answer.width, height: answer.height, bytes: new Uint8Array(answer.pixels) });
      }
    };
    // A worker that fails to start or dies: everything it held is decoded here.
    made.onerror = function (event) {
      event.preventDefault();
      giveUpWorker();
    };
    return made;
  }

  function giveUpWorker() {
    workerUsable = false;
    if (worker) worker.terminate();
    worker = null;
    const pending = [...waiting.values()];
    waiting.clear();
    for (const request of pending) request.fallback();
  }

  // The picture upright, scaled to width x height and its middle side x
  // side cut out, as straight RGBA; rejects when it does not decode.
  function decode(file, width, height, side) {
    if (!workerUsable) return decodeToRgba(file, width, height, side);
    try {
      if (!worker) worker = startWorker();
    } catch (error) {
      workerUsable = false;
      return decodeToRgba(file, width, height, side);
    }
    return new Promise(function (resolve, reject) {
      const id = nextId++;
      const fallback = function () { decodeToRgba(file, width, height, side).then(resolve, reject); };
      waiting.set(id, { resolve: resolve, reject: reject, fallback: fallback });
      worker.postMessage({ id: id, file: file, width: width, height: height, side: side });
    });
  }

  // Which thread decodes: for the page's tests.
  function where() { return workerUsable ? 'worker' : 'page'; }

  return { decode: decode, where: where };
})();
