// The page around lumo's WebAssembly: the module's settings, and what the
// program cannot do from inside a frame (touch cancellation, the motion
// sensor's permission, sharing a clip, pointer capture). Loaded before lumo.js.
'use strict';

(function () {
  const canvas = document.getElementById('canvas');
  const status = document.getElementById('status');

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
    print: (text) => console.log(text),
    printErr: (text) => console.warn(text),
    setStatus: (text) => { if (!text) status.textContent = ''; },
    onAbort: (what) => {
      status.textContent = 'lumo stopped: ' + what;
      console.error('lumo stopped:', what);
    },
  };

  // The program's own status line: gone with the first frame.
  const clearWhenDrawn = () => {
    if (Module.lumoFramesPresented > 0) status.textContent = '';
    else requestAnimationFrame(clearWhenDrawn);
  };
  requestAnimationFrame(clearWhenDrawn);

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
