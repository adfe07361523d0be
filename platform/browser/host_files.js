// The browser's side of lumo's files, packed into lumo.js ahead of the
// program: the application's folder kept in IndexedDB, the file chooser
// (photo library, camera, shape files), files dropped on the page, and
// downloads. The program reaches it as Module.lumoHost (see
// platform/browser/file_chooser.cpp and persistent_files.cpp).

if (typeof window === 'object') Module.lumoHost = (function () {
  // Where the program keeps its files; $LUMO_HOME points it there.
  const LUMO_HOME = '/lumo';
  const host = {};
  let storageProblem = '';
  let persistAsked = false;
  let syncing = Promise.resolve();

  // Emscripten's IndexedDB file system loses its errors: its handlers read
  // the error from the wrong object and pass nothing on, and a transaction
  // aborted at commit (a full quota) is never heard of, so a failed copy
  // either never answers or answers success. These report every failure.
  function mendIndexedDbErrors() {
    const localSet = IDBFS.getLocalSet;
    IDBFS.getLocalSet = function (mount, callback) {
      localSet(mount, function (error, set) {
        if (set) {
          Object.keys(set.entries).forEach(function (path) {
            if (path === ARRIVING || path.startsWith(ARRIVING + '/')) delete set.entries[path];
          });
        }
        callback(error, set);
      });
    };
    // Without IndexedDB (some private windows) Emscripten's asserts, which
    // stops the whole program; an error is what the callers handle.
    IDBFS.indexedDB = function () {
      if (typeof indexedDB !== 'undefined' && indexedDB) return indexedDB;
      throw new Error('this browser offers no IndexedDB here');
    };
    const failure = (request, callback) => function (event) {
      event.preventDefault();
      callback(request.error || new Error('IndexedDB request failed'));
    };
    IDBFS.loadRemoteEntry = function (store, path, callback) {
      const request = store.get(path);
      request.onsuccess = function () { callback(null, request.result); };
      request.onerror = failure(request, callback);
    };
    IDBFS.storeRemoteEntry = function (store, path, entry, callback) {
      let request;
      try { request = store.put(entry, path); } catch (error) { callback(error); return; }
      request.onsuccess = function () { callback(null); };
      request.onerror = failure(request, callback);
    };
    IDBFS.removeRemoteEntry = function (store, path, callback) {
      const request = store.delete(path);
      request.onsuccess = function () { callback(null); };
      request.onerror = failure(request, callback);
    };
    IDBFS.reconcile = function (src, dst, callback) {
      const create = Object.keys(src.entries).filter(function (key) {
        const theirs = dst.entries[key];
        return !theirs || src.entries[key].timestamp.getTime() !== theirs.timestamp.getTime();
      }).sort();
      const remove = Object.keys(dst.entries).filter(function (key) { return !src.entries[key]; }).sort().reverse();
      if (!create.length && !remove.length) { callback(null); return; }
      let answered = false;
      const answer = function (error) {
        if (answered) return;
        answered = true;
        callback(error);
      };
      const db = src.type === 'remote' ? src.db : dst.db;
      let transaction;
      try { transaction = db.transaction([IDBFS.DB_STORE_NAME], 'readwrite'); } catch (error) { answer(error); return; }
      const store = transaction.objectStore(IDBFS.DB_STORE_NAME);
      // A failed step aborts the whole copy: IndexedDB keeps all or nothing.
      const step = function (error) {
        if (!error) return;
        try { transaction.abort(); } catch (ignored) { /* already finished */ }
        answer(error);
      };
      transaction.oncomplete = function () { answer(null); };
      transaction.onabort = function () { answer(transaction.error || new Error('the copy was abandoned')); };
      create.forEach(function (path) {
        if (dst.type === 'local') {
          IDBFS.loadRemoteEntry(store, path, function (error, entry) {
            if (error) return step(error);
            IDBFS.storeLocalEntry(path, entry, step);
          });
        } else {
          IDBFS.loadLocalEntry(path, function (error, entry) {
            if (error) return step(error);
            IDBFS.storeRemoteEntry(store, path, entry, step);
          });
        }
      });
      remove.forEach(function (path) {
        if (dst.type === 'local') IDBFS.removeLocalEntry(path, step);
        else IDBFS.removeRemoteEntry(store, path, step);
      });
    };
  }

  // Before main(): the folder mounted and filled from IndexedDB, so the
  // saved-file list is complete from the first frame.
  Module.preRun = [].concat(Module.preRun || [], function () {
    mendIndexedDbErrors();
    ENV.LUMO_HOME = LUMO_HOME;
    FS.mkdir(LUMO_HOME);
    try {
      FS.mount(IDBFS, {}, LUMO_HOME);
    } catch (error) {
      storageProblem = 'the browser has no storage for lumo (' + error + ')';
      tellStorageProblem();
      return;
    }
    addRunDependency('lumo-storage');
    FS.syncfs(true, function (error) {
      if (error) {
        storageProblem = 'the browser\'s storage cannot be read (' + describe(error) + ')';
        console.warn('lumo: ' + storageProblem);
        tellStorageProblem();
      }
      removeRunDependency('lumo-storage');
    });
  });

  // Said on the page at once: everything but keeping shapes still works.
  function tellStorageProblem() {
    if (Module.lumoNotice) {
      Module.lumoNotice('Shapes cannot be kept here: this browser gives lumo no storage (a private window does ' +
                        'that). Everything else works; to keep shapes, open lumo in a normal window.');
    }
  }

  function describe(error) {
    if (!error) return 'unknown error';
    if (error.name === 'QuotaExceededError') return 'the browser\'s storage for this site is full';
    return error.message || error.name || String(error);
  }

  // Copies the folder into IndexedDB, one copy at a time.
  host.persist = function (request) {
    if (!persistAsked && navigator.storage && navigator.storage.persist) {
      // Asks the browser not to evict the saved shapes when space runs low.
      persistAsked = true;
      navigator.storage.persist().catch(function () {});
    }
    syncing = syncing.then(function () {
      return new Promise(function (resolve) {
        const answer = function (stored, why) {
          withString(why, function (pointer) { Module._lumo_host_persisted(request, stored ? 1 : 0, pointer); });
          resolve();
        };
        if (storageProblem) { answer(false, storageProblem); return; }
        // Whatever happens, one answer: a copy that never finishes is a failure.
        let answered = false;
        const once = function (stored, why) {
          if (answered) return;
          answered = true;
          clearTimeout(watchdog);
          answer(stored, why);
        };
        const watchdog = setTimeout(function () {
          once(false, 'the browser did not confirm that the file is stored');
        }, 30000);
        try {
          FS.syncfs(false, function (error) {
            if (error) console.warn('lumo: storing files failed:', error);
            once(!error, error ? describe(error) : 'kept in this browser');
          });
        } catch (error) {
          once(false, describe(error));
        }
      });
    });
  };

  // A string for the program, alive while use() runs.
  function withString(text, use) {
    const bytes = new TextEncoder().encode(text || '');
    const pointer = Module._malloc(bytes.length + 1);
    HEAPU8.set(bytes, pointer);
    HEAPU8[pointer + bytes.length] = 0;
    try { use(pointer); } finally { Module._free(pointer); }
  }

  const Kind = { cancelled: 1, picture: 2, file: 3, tooLarge: 4, undecodable: 5 };

  // Files other than pictures go into a scratch folder of the program's
  // file system, which lives outside the WebAssembly memory: the program
  // checks them beside the frames and moves what it keeps (inside the
  // application's folder, a rename), and its own memory never grows for a
  // file it refuses. What is left of the last file goes when the next one
  // comes; the folder is never copied into IndexedDB.
  const ARRIVING = LUMO_HOME + '/.arriving';
  let arrivals = 0;
  function putInScratch(name, bytes) {
    try { FS.readdir(ARRIVING).forEach(function (entry) { if (entry !== '.' && entry !== '..') removeTree(ARRIVING + '/' + entry); }); }
    catch (ignored) { /* not made yet */ }
    const folder = ARRIVING + '/' + (++arrivals);
    FS.mkdirTree(folder);
    const path = folder + '/' + ((name || 'file').replace(/[\/\0]/g, '_') || 'file');
    FS.writeFile(path, bytes, { canOwn: true });
    return path;
  }
  function removeTree(path) {
    if (FS.isDir(FS.stat(path).mode)) {
      FS.readdir(path).forEach(function (entry) { if (entry !== '.' && entry !== '..') removeTree(path + '/' + entry); });
      FS.rmdir(path);
    } else {
      FS.unlink(path);
    }
  }

  function arrive(queue, kind, name, details) {
    details = details || {};
    let path = '';
    let bytes = details.bytes;
    if (kind === Kind.file && bytes) {
      path = putInScratch(name, bytes);
      bytes = null;
    }
    const pointer = bytes && bytes.length ? Module._malloc(bytes.length) : 0;
    if (pointer) HEAPU8.set(bytes, pointer);
    withString(name, function (namePointer) {
      withString(path, function (pathPointer) {
        Module._lumo_host_file_arrived(queue, kind, namePointer, pathPointer, details.width || 0, details.height || 0,
                                       details.size || 0, pointer, pointer ? bytes.length : 0);
      });
    });
    if (pointer) Module._free(pointer);
  }

  // The picture's size as the browser shows it (upright), read without
  // decoding its pixels, so an enormous one is refused before it costs memory.
  function pictureSize(file) {
    return new Promise(function (resolve, reject) {
      const url = URL.createObjectURL(file);
      const image = new Image();
      image.onload = function () { URL.revokeObjectURL(url); resolve({ width: image.naturalWidth, height: image.naturalHeight }); };
      image.onerror = function () { URL.revokeObjectURL(url); reject(new Error('not a picture')); };
      image.src = url;
    });
  }

  // Decoded away from the page's thread (picture_decoder.js), turned upright
  // from its Exif orientation and fitted into the texture square as the
  // program fits pictures (picture/picture_fit.cpp): scaled so that the
  // shorter side fills it, centred, the overflow cut.
  async function readPicture(file, limits) {
    let size;
    try {
      size = await pictureSize(file);
    } catch (error) {
      return { kind: Kind.undecodable };
    }
    if (size.width < 1 || size.height < 1) return { kind: Kind.undecodable };
    if (size.width > limits.maxSide || size.height > limits.maxSide)
      return { kind: Kind.tooLarge, width: size.width, height: size.height };
    const side = limits.fitSide;
    const scale = side / Math.min(size.width, size.height);
    const width = Math.max(side, Math.round(size.width * scale));
    const height = Math.max(side, Math.round(size.height * scale));
    try {
      const decoded = await Module.lumoPictureDecoder.decode(file, width, height, side);
      return { kind: Kind.picture, width: decoded.width, height: decoded.height, bytes: decoded.bytes };
    } catch (error) {
      console.warn('lumo: the picture does not decode:', error);
      return { kind: Kind.undecodable };
    }
  }

  async function readFile(file, limits) {
    if (file.size > limits.maxBytes) return { kind: Kind.tooLarge, size: file.size };
    try {
      return { kind: Kind.file, size: file.size, bytes: new Uint8Array(await file.arrayBuffer()) };
    } catch (error) {
      return { kind: Kind.undecodable, size: file.size };
    }
  }

  const isPicture = (file) => /^image\//.test(file.type || '');

  // The chooser: 0 picture, 1 camera, 2 shape file.
  const State = { idle: 0, waiting: 1, needsTap: 2, reading: 3 };
  let chooser = null;  // { input, state, settled }

  host.chooserState = function () { return chooser ? chooser.state : State.idle; };

  host.closeChooser = function () {
    if (chooser) chooser.input.remove();
    chooser = null;
  };

  host.openChooser = function (request, limits) {
    host.closeChooser();
    const input = document.createElement('input');
    input.type = 'file';
    input.accept = request === 2 ? '.lumo' : 'image/*';
    if (request === 1) input.setAttribute('capture', 'environment');
    input.style.display = 'none';
    document.body.appendChild(input);
    const current = { input: input, state: State.waiting, settled: false };
    chooser = current;
    const settle = function (kind, name, details) {
      if (current.settled) return;
      current.settled = true;
      input.remove();
      if (chooser !== current) return;  // closed or replaced meanwhile
      chooser = null;
      arrive(0, kind, name, details);
    };
    input.addEventListener('change', async function () {
      const file = input.files && input.files[0];
      if (!file) { settle(Kind.cancelled, ''); return; }
      current.state = State.reading;
      const answer = request === 2 ? await readFile(file, limits) : await readPicture(file, limits);
      settle(answer.kind, file.name, answer);
    });
    input.addEventListener('cancel', function () { settle(Kind.cancelled, ''); });
    // Where there is no cancel event: the page loses the focus to the
    // chooser and gets it back with no file chosen.
    window.addEventListener('blur', function () {
      window.addEventListener('focus', function () {
        setTimeout(function () {
          if (current.state === State.waiting && !(input.files && input.files.length)) settle(Kind.cancelled, '');
        }, 1500);
      }, { once: true });
    }, { once: true });
    current.open = function () { current.state = State.waiting; input.click(); };
    // Browsers open a chooser only during a user's tap; the program asks a
    // frame after it, which most allow. Otherwise the next tap opens it.
    if (navigator.userActivation && !navigator.userActivation.isActive) current.state = State.needsTap;
    else current.open();
  };

  const openOnTap = function () {
    if (chooser && chooser.state === State.needsTap) chooser.open();
  };
  window.addEventListener('click', openOnTap, true);
  window.addEventListener('touchend', openOnTap, true);

  // Drops: pictures decoded as chosen ones are, anything else read as it is.
  let dropLimits = { maxSide: 8192, fitSide: 512, maxBytes: 64 * 1024 * 1024 };
  host.setDropLimits = function (limits) { dropLimits = limits; };
  window.addEventListener('dragover', function (event) {
    event.preventDefault();
    if (event.dataTransfer) event.dataTransfer.dropEffect = 'copy';
  });
  window.addEventListener('drop', async function (event) {
    event.preventDefault();
    const files = event.dataTransfer ? Array.from(event.dataTransfer.files) : [];
    for (const file of files) {
      const answer = isPicture(file) ? await readPicture(file, dropLimits) : await readFile(file, dropLimits);
      arrive(1, answer.kind, file.name, answer);
    }
  });

  // A camera to take a picture with: one the browser lists, or, where it
  // cannot be asked (an insecure page), any touch device.
  let camera = false;
  host.hasCamera = function () { return camera; };
  const lookForCamera = function () {
    if (navigator.mediaDevices && navigator.mediaDevices.enumerateDevices) {
      navigator.mediaDevices.enumerateDevices()
        .then(function (devices) { camera = devices.some(function (device) { return device.kind === 'videoinput'; }); })
        .catch(function () { camera = false; });
    } else {
      camera = navigator.maxTouchPoints > 0;
    }
  };
  lookForCamera();
  if (navigator.mediaDevices && navigator.mediaDevices.addEventListener)
    navigator.mediaDevices.addEventListener('devicechange', lookForCamera);

  // A file to keep, as the browser's download.
  host.downloadBlob = function (name, blob) {
    try {
      const url = URL.createObjectURL(blob);
      const link = document.createElement('a');
      link.href = url;
      link.download = name;
      link.style.display = 'none';
      document.body.appendChild(link);
      link.click();
      link.remove();
      setTimeout(function () { URL.revokeObjectURL(url); }, 60000);
      return true;
    } catch (error) {
      console.warn('lumo: cannot offer the download:', error);
      return false;
    }
  };

  host.download = function (name, pointer, length) {
    return host.downloadBlob(name, new Blob([HEAPU8.slice(pointer, pointer + length)],
                                            { type: 'application/octet-stream' }));
  };

  return host;
})();
