// The GIF worker's messages, appended to lumo_gif.js, which the page runs
// as a Web Worker (platform/browser/host_clip.js). The page starts a clip,
// sends frames (their pixels moved, not copied) and stops it. Each frame's
// buffer goes back once taken, so the page reuses a few buffers and knows
// how many frames are on their way; at the end the GIF itself goes back.
(function () {
  let ready = false;
  const early = [];  // messages that came before the module was ready
  let next = 0;  // where the next frame goes in the module's memory; 0 when the clip failed

  // Every answer names the clip it is about: the page may have begun another.
  function failed(clip, why) { postMessage({ type: 'failed', clip: clip, error: why }); }

  function handle(message) {
    if (message.type === 'start') {
      next = _lumo_gif_start(message.width, message.height);
      if (!next) failed(message.clip, 'the GIF could not be started');
    } else if (message.type === 'frame') {
      if (next) {
        HEAPU8.set(new Uint8Array(message.pixels), next);
        next = _lumo_gif_frame(message.time);
      }
      postMessage({ type: 'taken', clip: message.clip, pixels: message.pixels }, [message.pixels]);
    } else if (message.type === 'stop') {
      if (!_lumo_gif_finish(message.time)) {
        failed(message.clip, UTF8ToString(_lumo_gif_error()));
        return;
      }
      const at = _lumo_gif_bytes();
      const gif = HEAPU8.slice(at, at + _lumo_gif_size());
      postMessage({ type: 'done', clip: message.clip, gif: gif.buffer, frames: _lumo_gif_frames() }, [gif.buffer]);
    }
  }

  self.onmessage = function (event) {
    if (ready) handle(event.data);
    else early.push(event.data);
  };
  function begin() {
    ready = true;
    early.splice(0).forEach(handle);
  }
  if (Module.calledRun) begin();
  else Module.onRuntimeInitialized = begin;
})();
