// The page records clips of the view (packed into lumo.js ahead of the
// program, which reaches it as Module.lumoClip through platform/host.h):
//
// - Each view frame, once the program has copied it into the WebGL canvas
//   and before the interface is drawn over it, is drawn from the canvas's
//   view rectangle into a canvas of the clip's own, so the clip shows the
//   view alone.
// - The video: that canvas's stream through MediaRecorder (MP4 where the
//   browser makes one, WebM otherwise), a frame asked for 30 times a second
//   whether or not the view moved, so the video keeps time.
// - The GIF: 20 times a second, when a new view frame has come, its pixels
//   go to the GIF worker (lumo_gif.js: the program's own GIF encoder built
//   for a worker), moved, not copied. At most a few are on their way; past
//   that a frame is dropped and counted, and the page never waits.
// - Share: a tap on the notice's control (placed by the program) hands the
//   file to the device's share sheet, or downloads it where there is none.
Module.lumoClip = (function () {
  const clip = {};
  const MAX_SECONDS = 20;
  const VIDEO_RATE = 30;
  const GIF_RATE = 20;
  const VIDEO_MAX = [640, 960];  // a phone's view at 3 pixels a point is far larger
  const GIF_MAX = [320, 480];
  const MAX_ON_THEIR_WAY = 4;  // GIF frames sent and not yet taken by the worker
  let worker = null;
  let session = null;
  let clips = 0;  // the clips begun, each message to the worker naming its own
  let result = null;  // the last clip: { state, files, canShare, error, dropped }

  // The view's size scaled to fit max, even on both sides (as video
  // encoders want: an odd last row or column is left out, not stretched).
  function fit(width, height, max) {
    const scale = Math.min(1, max[0] / width, max[1] / height);
    const even = (n) => Math.max(2, 2 * Math.floor(n * scale / 2));
    return { width: even(width), height: even(height), scale: scale };
  }

  function canvasOf(size) {
    const canvas = document.createElement('canvas');
    canvas.width = size.width;
    canvas.height = size.height;
    return canvas;
  }

  function videoType() {
    if (typeof MediaRecorder === 'undefined') return null;
    for (const type of ['video/mp4;codecs=avc1', 'video/mp4', 'video/webm;codecs=vp9', 'video/webm']) {
      if (MediaRecorder.isTypeSupported(type)) return type;
    }
    return null;
  }

  function gifWorker() {
    if (!worker) {
      worker = new Worker('lumo_gif.js');
      worker.onmessage = (event) => {
        if (session && event.data.clip === session.id) fromWorker(session, event.data);
      };
      worker.onerror = (event) => { if (session) fail(session, 'the GIF worker stopped: ' + event.message); };
    }
    return worker;
  }

  function fail(s, why) {
    if (s.done) return;
    s.done = true;
    if (s.recorder && s.recorder.state !== 'inactive') s.recorder.stop();
    result = { state: 'failed', error: why, files: [], canShare: false, dropped: s.dropped };
    session = null;
  }

  function finishIfComplete(s) {
    if (s.done || !s.videoDone || !s.gif) return;
    s.done = true;
    const files = [];
    if (s.video) files.push(s.video);
    files.push(s.gif);
    const canShare = typeof navigator.share === 'function' && typeof navigator.canShare === 'function' &&
        files.every((file) => { try { return navigator.canShare({ files: [file] }); } catch (e) { return false; } });
    result = { state: 'ready', files: files, canShare: canShare, error: '', dropped: s.dropped };
    session = null;
  }

  function fromWorker(s, message) {
    if (message.type === 'taken') {
      s.onTheirWay--;
    } else if (message.type === 'done') {
      s.gif = new File([message.gif], s.stem + '.gif', { type: 'image/gif' });
      finishIfComplete(s);
    } else if (message.type === 'failed') {
      fail(s, 'the GIF could not be made: ' + message.error);
    }
  }

  // Seconds since the clip's first frame.
  const secondsOf = (s) => (performance.now() - s.firstShownAt) / 1000;

  // The newest view frame, unless it went already; `last`: the clip's last
  // frame, which goes however many are on their way.
  function sendGifFrame(s, last) {
    if (!s.newSinceSent) return;
    s.newSinceSent = false;
    if (s.onTheirWay >= MAX_ON_THEIR_WAY && !last) {
      s.dropped++;
      return;
    }
    if (s.gifCanvas !== s.videoCanvas) s.gifContext.drawImage(s.videoCanvas, 0, 0, s.gifSize.width, s.gifSize.height);
    const pixels = s.gifContext.getImageData(0, 0, s.gifSize.width, s.gifSize.height).data.buffer;
    s.onTheirWay++;
    gifWorker().postMessage({ type: 'frame', clip: s.id, time: s.lastShownAt, pixels: pixels }, [pixels]);
  }

  clip.start = function (width, height, stem) {
    if (session) fail(session, 'a new clip began');
    result = null;
    const videoSize = fit(width, height, VIDEO_MAX);
    const gifSize = fit(width, height, GIF_MAX);
    const s = {
      id: ++clips, stem: stem, videoSize: videoSize, gifSize: gifSize, done: false, stopped: false,
      firstShownAt: null, lastShownAt: 0, newSinceSent: false, nextVideo: 0, nextGif: 0,
      onTheirWay: 0, dropped: 0, chunks: [], recorder: null, track: null, video: null, videoDone: false, gif: null,
    };
    s.videoCanvas = canvasOf(videoSize);
    s.videoContext = s.videoCanvas.getContext('2d', { alpha: false });
    const sameSize = gifSize.width === videoSize.width && gifSize.height === videoSize.height;
    s.gifCanvas = sameSize ? s.videoCanvas : canvasOf(gifSize);
    s.gifContext = sameSize ? s.videoContext : s.gifCanvas.getContext('2d', { alpha: false, willReadFrequently: true });
    session = s;
    const type = videoType();
    if (type) {
      try {
        const stream = s.videoCanvas.captureStream(0);  // frames only when asked for
        s.track = stream.getVideoTracks()[0];
        s.recorder = new MediaRecorder(stream, { mimeType: type, videoBitsPerSecond: 4000000 });
        s.recorder.ondataavailable = (event) => { if (event.data && event.data.size) s.chunks.push(event.data); };
        s.recorder.onstop = () => {
          const kind = s.recorder.mimeType.startsWith('video/mp4') ? 'mp4' : 'webm';
          const blob = new Blob(s.chunks, { type: s.recorder.mimeType });
          s.video = blob.size > 0 ? new File([blob], s.stem + '.' + kind, { type: blob.type }) : null;
          s.videoDone = true;
          if (!s.video) fail(s, 'the browser recorded no video');
          else finishIfComplete(s);
        };
        s.recorder.onerror = (event) => fail(s, 'the browser could not record the video: ' +
            (event.error ? event.error.message : 'no reason given'));
        s.recorder.start();
      } catch (error) {
        s.recorder = null;
        console.warn('lumo: no video for this clip:', error);
      }
    }
    if (!s.recorder) s.videoDone = true;  // the GIF alone
    gifWorker().postMessage({ type: 'start', clip: s.id, width: gifSize.width, height: gifSize.height });
  };

  // The view's frame is in the WebGL canvas at (x, y, width, height),
  // canvas pixels, the interface not yet drawn over it.
  clip.frameShown = function (x, y, width, height) {
    const s = session;
    if (!s || s.stopped) return;
    // The part of the view the clip holds: all of it, less an odd last row or column.
    const size = s.videoSize;
    s.videoContext.drawImage(Module.canvas, x, y, Math.min(width, size.width / size.scale),
                             Math.min(height, size.height / size.scale), 0, 0, size.width, size.height);
    if (s.firstShownAt === null) s.firstShownAt = performance.now();
    s.lastShownAt = secondsOf(s);
    s.newSinceSent = true;
  };

  // Every turn of the program: the video's and the GIF's frames when due.
  clip.tick = function () {
    const s = session;
    if (!s || s.stopped || s.firstShownAt === null) return;
    const t = secondsOf(s);
    if (t >= MAX_SECONDS) {
      clip.stop();
      return;
    }
    if (t >= s.nextVideo) {
      if (s.track) s.track.requestFrame();
      s.nextVideo = (Math.floor(t * VIDEO_RATE) + 1) / VIDEO_RATE;
    }
    if (t >= s.nextGif) {
      sendGifFrame(s, false);
      s.nextGif = (Math.floor(t * GIF_RATE) + 1) / GIF_RATE;
    }
  };

  clip.stop = function () {
    const s = session;
    if (!s || s.stopped) return;
    s.stopped = true;
    const end = s.firstShownAt === null ? 0 : Math.min(secondsOf(s), MAX_SECONDS);
    if (s.track) s.track.requestFrame();
    if (s.firstShownAt !== null) sendGifFrame(s, true);
    gifWorker().postMessage({ type: 'stop', clip: s.id, time: end });
    if (s.recorder && s.recorder.state !== 'inactive') s.recorder.stop();
  };

  // 0 none, 1 recording, 2 finishing, 3 ready, 4 failed.
  clip.state = function () {
    clip.tick();
    if (session) return session.stopped ? 2 : 1;
    if (!result) return 0;
    return result.state === 'ready' ? 3 : 4;
  };
  clip.name = (index) => (result && result.files[index] ? result.files[index].name : '');
  clip.error = () => (result ? result.error : '');
  clip.canShare = () => !!(result && result.canShare);
  clip.dropped = () => (result ? result.dropped : session ? session.dropped : 0);
  // The last clip's files, for the page's tests.
  clip.files = () => (result ? result.files.slice() : []);

  // From inside a tap's own handler (page.js): the share sheet, or a download.
  clip.share = function (index) {
    const file = result && result.files[index];
    if (!file) return;
    if (result.canShare) {
      navigator.share({ files: [file], title: file.name })
        .catch((error) => { if (error.name !== 'AbortError') console.warn('lumo: not shared:', error); });
    } else {
      Module.lumoHost.downloadBlob(file.name, file);
    }
  };

  return clip;
})();
