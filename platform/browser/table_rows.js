// The influence table's rows, computed in Web Workers (host_table_rows_*):
// each worker runs table_rows.wasm (sim/table_rows_worker.cpp: the
// program's own kernel, with WebAssembly SIMD; without SIMD there are no
// workers and the program builds the table in slices itself), computes
// whole rows from the 7500-float rest shape alone and posts them back, the
// buffer moved; this side copies each band into the program's table and
// counts the rows complete from row 0 on, which the program publishes in
// order. Plain workers need no special headers.
//
// A file of the site of its own, loaded by index.html beside page.js and
// started at once. Each worker fetches the module and builds its share of
// the default dome's table, which the program asks for first, on its own:
// nothing waits for the page's thread, which is busy starting the program.
// The rows wait here until the program's table exists; if the program asks
// for another shape, they are dropped. The program reaches this as
// window.lumoTableRows (HEAPF32 is the program's memory, once it runs).
'use strict';

window.lumoTableRows = (function () {
  const ROWS = 2500;
  const BAND = 20;  // rows a message: about 200 KB
  // A function returning a SIMD vector: valid only where WebAssembly has SIMD.
  const SIMD_PROBE = new Uint8Array([0, 97, 115, 109, 1, 0, 0, 0, 1, 5, 1, 96, 0, 1, 123, 3, 2, 1, 0, 10, 10, 1, 8, 0,
                                     65, 0, 253, 15, 253, 98, 11]);
  const DEFAULT_DOME = 1;  // the first job, the workers' own

  // Runs in each worker: one instance of the rows module; for each job the
  // rest shape (or the default dome) and the worker's own bands, computed
  // one a task (so a newer job is seen between bands) and posted back as
  // each is done. Its place among the workers and the module's address
  // come in its name.
  function workerMain() {
    const place = JSON.parse(self.name);
    let rows = null;
    let waiting = null;  // a job that came before the module was ready
    let bands = [];  // [first, count] still to compute for the newest job
    let job = 0;
    const next = new MessageChannel();
    next.port1.onmessage = function () {
      const band = bands.shift();
      if (!band) return;
      const started = performance.now();
      const at = rows.lumo_rows_compute(band[0], band[1]);
      const computed = new Float32Array(rows.memory.buffer, at, band[1] * 2500).slice();
      self.postMessage({ job: job, first: band[0], count: band[1], rows: computed, ms: performance.now() - started },
                       [computed.buffer]);
      if (bands.length) next.port2.postMessage(0);
    };
    function take(data) {
      const idle = bands.length === 0;
      job = data.job;
      bands = data.bands;
      const shape = new Float32Array(rows.memory.buffer, rows.lumo_rows_shape(), 3 * 2500);
      if (data.shape) {
        shape.set(data.shape);
        rows.lumo_rows_take_shape();
      } else {
        rows.lumo_rows_default_shape();
        self.postMessage({ job: job, shape: shape.slice() });
      }
      if (idle && bands.length) next.port2.postMessage(0);
    }
    self.onmessage = function (message) {
      if (rows) take(message.data);
      else waiting = message.data;
    };
    const fetched = fetch(place.url);
    const made = WebAssembly.instantiateStreaming
      ? WebAssembly.instantiateStreaming(fetched, {})
      : fetched.then((r) => r.arrayBuffer()).then((bytes) => WebAssembly.instantiate(bytes, {}));
    made.then(function (result) {
      rows = result.instance.exports;
      rows._initialize();
      take(waiting || { job: place.job, bands: place.bands });
      waiting = null;
    }, function (error) { self.postMessage({ failed: String(error) }); });
  }

  const workers = [];
  let failed = typeof Worker === 'undefined' || typeof WebAssembly === 'undefined';
  let jobs = DEFAULT_DOME;
  // The newest job: its rest shape (for the default dome, once a worker has
  // said what it is), the table (0 until the program asks), the bands that
  // arrived before it had one, and which rows are done.
  let job = null;
  // For the benchmark: the page's thread's share, the workers' own time,
  // and whether the default dome's rows were there before the program asked.
  const metrics = { copyMs: 0, workerMs: 0, startedAt: 0, doneAt: 0, speculated: false };

  function newJob(id, shape, table) {
    return { id: id, shape: shape, table: table, waiting: [], done: new Uint8Array(ROWS), complete: 0 };
  }

  function fail(why) {
    if (failed) return;
    failed = true;
    console.warn('lumo: the table is built on the page\'s thread:', why);
    for (const w of workers) w.worker.terminate();
    workers.length = 0;
  }

  // A worker's share of a job: every band whose number leaves its index
  // when divided by the number of workers, so that all of them work down
  // the table side by side and row 0 on fills without gaps.
  function share(index, count) {
    const bands = [];
    for (let first = index * BAND; first < ROWS; first += count * BAND) bands.push([first, Math.min(BAND, ROWS - first)]);
    return bands;
  }

  function copy(band) {
    const started = performance.now();
    HEAPF32.set(band.rows, (job.table >> 2) + band.first * ROWS);
    for (let r = band.first; r < band.first + band.count; ++r) job.done[r] = 1;
    while (job.complete < ROWS && job.done[job.complete]) ++job.complete;
    metrics.copyMs += performance.now() - started;
    if (job.complete === ROWS) metrics.doneAt = performance.now();
  }

  function received(data) {
    if (data.ms) metrics.workerMs += data.ms;
    if (!job || data.job !== job.id) return;
    if (data.shape) {
      if (!job.shape) job.shape = data.shape;
    } else if (job.table) {
      copy(data);
    } else {
      job.waiting.push(data);
    }
  }

  function sameShape(a, b) {
    if (!a || a.length !== b.length) return false;
    const x = new Uint32Array(a.buffer, a.byteOffset, a.length);
    const y = new Uint32Array(b.buffer, b.byteOffset, b.length);
    for (let i = 0; i < x.length; ++i) if (x[i] !== y[i]) return false;
    return true;
  }

  function start() {
    if (failed) return;
    if (!WebAssembly.validate(SIMD_PROBE)) {
      fail('this browser\'s WebAssembly has no SIMD');
      return;
    }
    const url = new URL('table_rows.wasm', document.baseURI).href;
    const count = Math.max(1, Math.min(4, navigator.hardwareConcurrency || 2));
    const source = URL.createObjectURL(new Blob(['(' + workerMain.toString() + ')();'], { type: 'text/javascript' }));
    job = newJob(DEFAULT_DOME, null, 0);
    try {
      for (let i = 0; i < count; ++i) {
        const name = JSON.stringify({ url: url, job: DEFAULT_DOME, bands: share(i, count) });
        const w = { worker: new Worker(source, { name: name }) };
        w.worker.onmessage = function (message) {
          if (message.data.failed) fail(url + ': ' + message.data.failed);
          else received(message.data);
        };
        w.worker.onerror = function (event) { event.preventDefault(); fail(event.message || 'a worker stopped'); };
        workers.push(w);
      }
    } catch (error) {
      fail(error);
    }
    // The workers' source stays for the page's life: a browser may still be
    // fetching it when the constructor returns.
  }

  start();

  return {
    // From the program: every row for this rest shape into the table at
    // `table`; false when there are no workers to do it. The rows already
    // built for it (the default dome's) go into the table at once.
    start: function (shapePointer, tablePointer) {
      if (failed) return false;
      const shape = HEAPF32.slice(shapePointer >> 2, (shapePointer >> 2) + 3 * ROWS);
      metrics.startedAt = performance.now();
      if (job && !job.table && sameShape(job.shape, shape)) {
        metrics.speculated = true;
        job.table = tablePointer;
        for (const band of job.waiting.splice(0)) copy(band);
        return true;
      }
      job = newJob(++jobs, shape, tablePointer);
      workers.forEach((w, index) => {
        w.worker.postMessage({ job: job.id, shape: job.shape, bands: share(index, workers.length) });
      });
      return true;
    },
    rowsDone: function () { return job && job.table ? job.complete : 0; },
    failed: function () { return failed; },
    cancel: function () { job = null; },
    metrics: metrics,
  };
})();
