// Work beside the frames in the browser (host_run_in_background): a Web
// Worker that runs a second copy of the program, lumo.js with the page's
// own compiled lumo.wasm and without main(), so the same C++ reads, checks
// and encodes shape files there. Packed into lumo.js ahead of the program;
// in that second copy it does nothing. The program reaches it as
// Module.lumoBackground.

if (typeof window === 'object') Module.lumoBackground = (function () {
  // Above this much memory after a task, the worker is let go and the next
  // task starts a fresh one: a WebAssembly memory never shrinks.
  const RETIRE_BYTES = 128 * 1024 * 1024;

  // Runs in the worker. The first message starts the program's copy; each
  // later one is a task, answered with its bytes (moved, not copied).
  function workerMain() {
    function run(request) {
      // Plain reads: Emscripten 3.1.6's JS optimiser drops this very line
      // when it is written as a destructuring.
      const id = request.id, task = request.task, path = request.path, file = request.file, input = request.input;
      let pathPointer = 0, inputPointer = 0;
      try {
        if (path) {
          FS.mkdirTree(path.substring(0, path.lastIndexOf('/')) || '/');
          if (file) FS.writeFile(path, new Uint8Array(file));
          const bytes = lengthBytesUTF8(path) + 1;
          pathPointer = Module._malloc(bytes);
          stringToUTF8(path, pathPointer, bytes);
        }
        const inputBytes = new Uint8Array(input);
        inputPointer = Module._malloc(Math.max(1, inputBytes.length));
        HEAPU8.set(inputBytes, inputPointer);
        const result = Module._lumo_background_run(task, pathPointer, inputPointer, inputBytes.length) >>> 2;
        const output = HEAPU8.slice(HEAPU32[result], HEAPU32[result] + HEAPU32[result + 1]).buffer;
        Module._lumo_background_release();
        self.postMessage({ id: id, output: output, memoryBytes: HEAPU8.length }, [output]);
      } catch (error) {
        self.postMessage({ failed: String(error && error.message || error) });
      } finally {
        if (pathPointer) Module._free(pathPointer);
        if (inputPointer) Module._free(inputPointer);
        if (path && file) { try { FS.unlink(path); } catch (ignored) { /* never written */ } }
      }
    }
    self.onmessage = function (message) {
      const data = message.data;
      if (!data.start) { run(data); return; }
      const fail = (error) => self.postMessage({ failed: String(error && error.message || error) });
      self.Module = {
        noInitialRun: true,
        instantiateWasm: function (imports, receive) {
          const made = data.module
            ? WebAssembly.instantiate(data.module, imports).then((instance) => receive(instance, data.module))
            : WebAssembly.instantiateStreaming(fetch(data.wasmUrl), imports).then((r) => receive(r.instance, r.module));
          made.catch(fail);
          return {};
        },
        onRuntimeInitialized: function () { self.postMessage({ ready: true }); },
        onAbort: fail,
        print: function () {},
        printErr: function (text) { console.warn('lumo (background): ' + text); },
      };
      try { importScripts(data.scriptUrl); } catch (error) { fail(error); }
    };
  }

  let usable = typeof Worker !== 'undefined' && typeof Blob !== 'undefined';
  let worker = null;
  let ready = false;
  const pending = [];  // requests sent or waiting to be, oldest first

  function answer(id, output) {
    const bytes = new Uint8Array(output);
    const pointer = Module._malloc(Math.max(1, bytes.length));
    HEAPU8.set(bytes, pointer);
    Module._lumo_background_arrived(id, pointer, bytes.length);
    Module._free(pointer);
  }

  // The program's own copy runs what the worker could not: the file is
  // still in its file system, the input was kept.
  function runHere(request) {
    let restored = false;
    if (request.file && request.path && !FS.analyzePath(request.path).exists) {
      FS.mkdirTree(request.path.substring(0, request.path.lastIndexOf('/')) || '/');
      FS.writeFile(request.path, new Uint8Array(request.file));
      restored = true;
    }
    const inputBytes = new Uint8Array(request.input);
    const inputPointer = Module._malloc(Math.max(1, inputBytes.length));
    HEAPU8.set(inputBytes, inputPointer);
    let pathPointer = 0;
    if (request.path) {
      const size = lengthBytesUTF8(request.path) + 1;
      pathPointer = Module._malloc(size);
      stringToUTF8(request.path, pathPointer, size);
    }
    const result = Module._lumo_background_run(request.task, pathPointer, inputPointer, inputBytes.length) >>> 2;
    const output = HEAPU8.slice(HEAPU32[result], HEAPU32[result] + HEAPU32[result + 1]);
    Module._lumo_background_release();
    Module._free(inputPointer);
    if (pathPointer) Module._free(pathPointer);
    if (restored) FS.unlink(request.path);
    answer(request.id, output.buffer);
  }

  function giveUp(why) {
    console.warn('lumo: work beside the frames runs on the page\'s thread:', why);
    usable = false;
    stop();
    const waiting = pending.splice(0);
    for (const request of waiting) runHere(request);
  }

  function stop() {
    if (worker) worker.terminate();
    worker = null;
    ready = false;
  }

  // The file's bytes move to the worker; should it fail later, the task
  // runs here on the file where it was, if it still is.
  function send(request) {
    const file = request.file;
    request.file = null;
    worker.postMessage({ id: request.id, task: request.task, path: request.path, file: file, input: request.input },
                       file ? [file] : []);
  }

  function start() {
    try {
      startWorker();
    } catch (error) {
      giveUp(error);
    }
  }

  function startWorker() {
    const source = '(' + workerMain.toString() + ')();';
    const url = URL.createObjectURL(new Blob([source], { type: 'text/javascript' }));
    worker = new Worker(url);
    const scriptUrl = Module.lumoScriptUrl || new URL('lumo.js', document.baseURI).href;
    worker.onmessage = function (message) {
      const data = message.data;
      if (data.failed) { giveUp(data.failed); return; }
      if (data.ready) {
        URL.revokeObjectURL(url);
        ready = true;
        for (const request of pending) send(request);
        return;
      }
      const request = pending.shift();
      if (!request || request.id !== data.id) { giveUp('answers out of order'); return; }
      if (data.memoryBytes > RETIRE_BYTES) {
        stop();
        if (pending.length) start();
      }
      answer(data.id, data.output);
    };
    worker.onerror = function (event) {
      event.preventDefault();
      giveUp(event.message || 'the worker stopped');
    };
    worker.postMessage({ start: true, module: Module.lumoWasmModule || null, scriptUrl: scriptUrl,
                         wasmUrl: new URL('lumo.wasm', document.baseURI).href });
  }

  return {
    // From the program: false when there is no worker to run it (the
    // program then runs it itself).
    run: function (id, task, pathPointer, inputPointer, inputLength) {
      if (!usable) return false;
      // The file is read now: it may be moved or removed once this returns.
      const path = pathPointer ? UTF8ToString(pathPointer) : '';
      let file = null;
      if (path) {
        try { file = FS.readFile(path).buffer; } catch (ignored) { /* the task says it is missing */ }
      }
      const request = { id: id, task: task, path: path, file: file,
                        input: HEAPU8.slice(inputPointer, inputPointer + inputLength).buffer };
      pending.push(request);
      if (!worker) start();  // a worker that cannot start runs it here, at once
      else if (ready) send(request);
      return true;
    },
    // Started ahead of the first task, once the page has time to spare.
    warmUp: function () { if (usable && !worker) start(); },
    // For the page's tests: where tasks run.
    where: function () { return usable ? 'worker' : 'page'; },
  };
})();
