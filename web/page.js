// The page around lumo's WebAssembly. It downloads the program itself
// (lumo.js and lumo.wasm side by side, the WebAssembly compiled as it
// arrives) so that a bar shows how far it has got; it says in plain words
// what went wrong when something does, with a way to try again where that
// can help; it holds the module's settings and does what the program cannot
// do from inside a frame (touch cancellation, the motion sensor's
// permission, sharing a clip, pointer capture); and once the first frame is
// up it registers the service worker that keeps the site for offline use.
'use strict';

(function () {
  const canvas = document.getElementById('canvas');
  const byId = (id) => document.getElementById(id);
  const panel = byId('status');
  const bar = byId('status-bar');
  // Written by the build: what a first visit downloads before the first
  // frame (lumo.js and lumo.wasm), in bytes, for the bar's full width.
  const downloadBytes = Number('@LUMO_DOWNLOAD_BYTES@') || 0;
  const received = { 'lumo.js': 0, 'lumo.wasm': 0 };
  let stopped = false;
  let lastError = '';

  function show(title, detail, fraction) {
    byId('status-title').textContent = title;
    byId('status-detail').textContent = detail;
    if (fraction !== undefined) bar.firstElementChild.style.width = (100 * Math.min(1, fraction)).toFixed(1) + '%';
  }

  function showDownload() {
    if (stopped) return;
    const got = received['lumo.js'] + received['lumo.wasm'];
    const total = Math.max(downloadBytes, got);
    const kb = (bytes) => Math.round(bytes / 1024).toLocaleString('en');
    show('Loading lumo…', total ? `${kb(got)} of ${kb(total)} KB` : `${kb(got)} KB`, total ? got / total : 0);
  }

  // The first problem is the one told: what happened, what to do, and a
  // button where trying again can help. Nothing stays black or loading.
  function showProblem(title, text, canRetry) {
    if (stopped) return;
    stopped = true;
    panel.hidden = false;
    show(title, '');
    const paragraph = byId('status-text');
    paragraph.textContent = text;
    paragraph.hidden = false;
    bar.hidden = true;
    const retry = byId('status-retry');
    retry.hidden = !canRetry;
    retry.onclick = () => location.reload();
    console.error('lumo: ' + title + ': ' + text);
  }

  function downloadProblem(file, what) {
    showProblem('lumo could not be downloaded',
                `${file}: ${what}. Check that you are online, then try again.`, true);
  }

  // A problem that leaves lumo running, over the top of the page.
  function showNotice(text) {
    byId('notice-text').textContent = text;
    byId('notice').hidden = false;
    byId('notice-close').onclick = () => { byId('notice').hidden = true; };
  }

  // A response whose body is counted as it streams in. A body that breaks
  // off makes whoever reads it fail.
  function download(file) {
    return fetch(file).then((response) => {
      if (!response.ok) throw new Error(`the server answered ${response.status} ${response.statusText}`.trim());
      if (!response.body || typeof ReadableStream === 'undefined') return response;
      const reader = response.body.getReader();
      const counted = new ReadableStream({
        pull(controller) {
          return reader.read().then(({ done, value }) => {
            if (done) { controller.close(); return; }
            received[file] += value.length;
            showDownload();
            controller.enqueue(value);
          });
        },
        cancel(reason) { return reader.cancel(reason); },
      });
      return new Response(counted, { headers: { 'Content-Type': response.headers.get('Content-Type') || '' } });
    }).catch((error) => {
      const what = error instanceof TypeError ? 'the connection failed or broke off' : error.message;
      downloadProblem(file, what);
      throw error;
    });
  }

  // Compiled while it downloads where the host says it is WebAssembly.
  const compiled = download('lumo.wasm').then((response) => {
    const streams = WebAssembly.compileStreaming && /application\/wasm/.test(response.headers.get('Content-Type'));
    return streams ? WebAssembly.compileStreaming(response)
      : response.arrayBuffer().then((bytes) => WebAssembly.compile(bytes));
  }).catch((error) => {
    if (error instanceof WebAssembly.CompileError) {
      showProblem('lumo could not start', 'lumo.wasm arrived damaged or this browser cannot run it. Try again; ' +
                  'if it happens again, a recent Chrome, Firefox, Edge or Safari can run it.', true);
    } else {
      downloadProblem('lumo.wasm', 'the download broke off');
    }
    throw error;
  });
  compiled.catch(() => {});

  // Browsers with DeviceMotionEvent.requestPermission either ask the user
  // (Safari: only from a tap's own handler, so a call now is refused) or
  // let motion through (Chromium: granted at once). One call without a tap
  // tells which.
  const motionAsks = typeof DeviceMotionEvent !== 'undefined' &&
      typeof DeviceMotionEvent.requestPermission === 'function';

  window.Module = {
    canvas: canvas,
    // Read by the program: see platform/browser and tilt/tilt_device_motion.cpp.
    lumoCancelledTouches: new Set(),
    // 'not needed', 'checking', 'needed', 'asked' or 'refused'.
    lumoMotionPermission: motionAsks ? 'checking' : 'not needed',
    // Where a keyboard is likely: unless the main pointer is a finger.
    lumoKeyboardLikely: !(window.matchMedia && window.matchMedia('(pointer: coarse)').matches),
    lumoPermissionControl: null,
    lumoFramesPresented: 0,
    lumoFirstFrameAt: 0,
    lumoFrameTimes: [],
    lumoNotice: showNotice,
    // Where the program's script came from: the worker that does its work
    // beside the frames runs a second copy (platform/browser/background.js).
    lumoScriptUrl: '',
    locateFile: (file) => new URL(file, document.baseURI).href,
    // The program's WebAssembly, compiled as it downloaded; kept for that worker.
    instantiateWasm: (imports, receive) => {
      compiled.then((module) => WebAssembly.instantiate(module, imports).then((instance) => {
        Module.lumoWasmModule = module;
        receive(instance, module);
      })).catch((error) => {
        if (!stopped) showProblem('lumo could not start', `It could not be set up in this browser (${error}).`, true);
      });
      return {};
    },
    monitorRunDependencies: (left) => {
      if (left === 0 && !stopped) show('Starting lumo…', '', 1);
    },
    print: (text) => console.log(text),
    printErr: (text) => {
      lastError = text;
      console.warn(text);
    },
    onAbort: (what) => {
      const why = String(what || '').replace(/Build with -s ASSERTIONS=1 for more info\.?/, '')
        .replace(/^abort\(|\)\.?\s*$/g, '').trim();
      showProblem('lumo stopped', 'Something went wrong inside lumo' + (why ? ` (${why})` : '') +
                  '. Reload the page to start it again.', true);
    },
    // main() gave up: the program has said why on stderr.
    onExit: (code) => {
      if (code === 0) return;
      const why = lastError.replace(/^lumo: /, '');
      showProblem('lumo could not start', (why ? why.charAt(0).toUpperCase() + why.slice(1) + '. ' : '') +
                  'A recent Chrome, Firefox, Edge or Safari with hardware acceleration turned on can run it.', true);
    },
    lumoOnFirstFrame: () => {
      if (!stopped) panel.hidden = true;
      afterFirstFrame();
    },
  };

  // Until the first frame, an error anywhere is the end of the start.
  window.addEventListener('error', (event) => {
    if (!Module.lumoFirstFrameAt) showProblem('lumo could not start', `${event.message}. Try again.`, true);
  });

  download('lumo.js').then((response) => response.blob()).then((blob) => {
    const script = document.createElement('script');
    Module.lumoScriptUrl = URL.createObjectURL(new Blob([blob], { type: 'text/javascript' }));
    script.src = Module.lumoScriptUrl;
    script.onerror = () => downloadProblem('lumo.js', 'it could not be run');
    document.body.appendChild(script);
  }).catch(() => {});

  // No WebGL 2, nothing to draw with: said now, not after the download. A
  // context on a canvas of its own, dropped at once; asked for after the
  // downloads have started, which it does not hold up.
  setTimeout(() => {
    const probe = document.createElement('canvas').getContext('webgl2');
    if (probe) {
      const loser = probe.getExtension('WEBGL_lose_context');
      if (loser) loser.loseContext();
      return;
    }
    showProblem('This browser cannot show lumo',
                'lumo draws with WebGL 2, which this browser does not offer here. A recent Chrome, Firefox, Edge ' +
                'or Safari has it; if yours is one, turning on hardware acceleration in its settings may help.', false);
  }, 0);

  showDownload();

  function afterFirstFrame() {
    // The offline copy: after the first frame, so that copying the site
    // does not slow the first visit. Browsers offer service workers to
    // secure pages only (https, or localhost); without one the page works
    // as before.
    if ('serviceWorker' in navigator) {
      navigator.serviceWorker.register('sw.js').catch((error) => console.warn('lumo: no offline copy:', error));
    }
    // The worker for work beside the frames, started ahead of the first
    // save or opened file once the page has time to spare.
    const warmUp = () => { if (Module.lumoBackground) Module.lumoBackground.warmUp(); };
    if (window.requestIdleCallback) requestIdleCallback(warmUp, { timeout: 3000 });
    else setTimeout(warmUp, 1000);
  }

  if (motionAsks) {
    DeviceMotionEvent.requestPermission()
      .then((answer) => { Module.lumoMotionPermission = answer === 'granted' ? 'not needed' : 'refused'; })
      .catch(() => { Module.lumoMotionPermission = 'needed'; });
  }

  // A cancelled touch reaches SDL as a lift the program can tell apart: the
  // page notes the touch, keeps the touchcancel itself from SDL (which would
  // try to cancel the uncancellable event, an error in the console) and
  // hands SDL a touchend for the same touches instead.
  window.addEventListener('touchcancel', (event) => {
    for (const touch of event.changedTouches) Module.lumoCancelledTouches.add(touch.identifier);
    if (event.target !== canvas) return;
    event.stopImmediatePropagation();
    canvas.dispatchEvent(new TouchEvent('touchend', {
      cancelable: true, bubbles: true, touches: [...event.touches], targetTouches: [...event.targetTouches],
      changedTouches: [...event.changedTouches],
    }));
  }, { capture: true });

  // Safari gives motion events only once the user allows them, and asks
  // only from inside a tap's own handler: the program shows "Enable tilt"
  // and tells us where it is.
  const askForMotion = (clientX, clientY) => {
    const c = Module.lumoPermissionControl;
    const state = Module.lumoMotionPermission;
    if (!c || (state !== 'needed' && state !== 'refused')) return;
    const r = canvas.getBoundingClientRect();
    const x = clientX - r.left, y = clientY - r.top;
    if (x < c.x || y < c.y || x > c.x + c.width || y > c.y + c.height) return;
    Module.lumoMotionPermission = 'asked';
    DeviceMotionEvent.requestPermission()
      .then((answer) => { Module.lumoMotionPermission = answer === 'granted' ? 'not needed' : 'refused'; })
      .catch(() => { Module.lumoMotionPermission = 'refused'; });
  };
  // A recorded clip's notice offers each file to share (or to download
  // where the device has no share sheet). Browsers share only from inside
  // a tap's own handler: the program tells where the controls are, and the
  // page answers taps on them.
  let lastShare = -Infinity;
  const shareAt = (clientX, clientY) => {
    const r = canvas.getBoundingClientRect();
    const x = clientX - r.left, y = clientY - r.top;
    (Module.lumoClipControls || []).forEach((c, index) => {
      if (!c || x < c.x || y < c.y || x > c.x + c.width || y > c.y + c.height) return;
      if (performance.now() - lastShare < 700) return;  // one tap: its touchend, then maybe its click
      lastShare = performance.now();
      Module.lumoClip.share(index);
    });
  };
  window.addEventListener('touchend', (event) => {
    const touch = event.changedTouches[0];
    if (touch) askForMotion(touch.clientX, touch.clientY);
    if (touch) shareAt(touch.clientX, touch.clientY);
  }, { capture: true, passive: true });
  window.addEventListener('click', (event) => {
    askForMotion(event.clientX, event.clientY);
    shareAt(event.clientX, event.clientY);
  }, { capture: true });

  // A mouse drag that leaves the canvas keeps reporting to it.
  canvas.addEventListener('pointerdown', (event) => {
    if (event.pointerType === 'mouse') canvas.setPointerCapture(event.pointerId);
  });
  // No long-press menu, no pinch or double-tap zoom over the canvas.
  canvas.addEventListener('contextmenu', (event) => event.preventDefault());
  document.addEventListener('gesturestart', (event) => event.preventDefault());
  document.addEventListener('dblclick', (event) => event.preventDefault());
})();
