// The page around the garden: its console, its end, the keys for touch
// screens, the pictures people bring, and the offline copy. The garden runs
// as it does on the desktop; everything here only feeds it input and files
// and shows what it writes. Loaded before sandmere.js, which reads the
// global Module; all else stays in this function, clear of the many global
// names of Emscripten's script.
(() => {
  'use strict';

  const page = {
    main: document.querySelector('main'),
    canvas: document.getElementById('garden'),
    console: document.getElementById('console'),
    keys: document.getElementById('keys'),
    ended: document.getElementById('ended'),
    endedText: document.getElementById('ended-text'),
    startAgain: document.getElementById('start-again'),
    pictureName: document.getElementById('picture-name'),
    pictureFile: document.getElementById('picture-file'),
    pictureForget: document.getElementById('picture-forget'),
    pictureState: document.getElementById('picture-state'),
  };

  // ---------------------------------------------------------------- console

  // One line of the garden's standard output or error, or the page's own
  // word, in the order they come.
  function showLine(text, kind) {
    const line = document.createElement('span');
    line.className = kind;
    line.textContent = text + '\n';
    const atBottom = page.console.scrollHeight - page.console.scrollTop - page.console.clientHeight < 4;
    page.console.append(line);
    if (atBottom) page.console.scrollTop = page.console.scrollHeight;
  }

  // ---------------------------------------------------------------- the end

  function showEnd(message, status) {
    if (status !== undefined) page.main.dataset.exitStatus = String(status);
    page.endedText.textContent = message;
    page.ended.hidden = false;
    page.startAgain.focus({ preventScroll: true });
  }

  // A fresh page is a fresh garden: the runtime, GLUT's listeners and the
  // in-memory files all start again, with the kept pictures written anew.
  function restartGarden() {
    location.reload();
  }
  page.startAgain.addEventListener('click', restartGarden);

  // ---------------------------------------------------------------- input

  // GLUT listens to the whole window, and registers after this script. The
  // garden's menus, while one is open, take the keys and presses they need
  // before GLUT does; what concerns neither the garden nor a menu stops
  // here, before GLUT sees it.
  const menuOpen = () => document.querySelector('[role="menu"]') !== null;
  const forGarden = (target) =>
    target === page.canvas || target === document.body || target === document.documentElement;

  // Keys meant for the page's own controls (a choice in the list, Space on
  // a button) are theirs.
  function keepKeyFromGarden(event) {
    if (!forGarden(event.target) && !menuOpen()) event.stopImmediatePropagation();
  }
  for (const type of ['keydown', 'keyup']) window.addEventListener(type, keepKeyFromGarden, true);

  // Like its desktop window, the garden hears only presses on its canvas;
  // a press anywhere else would make GLUT take the drags after it for rake
  // strokes. GLUT still sees every release, which the garden ignores.
  function keepPressFromGarden(event) {
    if (event.target !== page.canvas && !menuOpen()) event.stopImmediatePropagation();
  }
  window.addEventListener('mousedown', keepPressFromGarden, true);

  function focusGarden() {
    page.canvas.focus({ preventScroll: true });
  }
  // GLUT cancels the canvas's mouse presses, and with them the focus the
  // browser would give it. A press that opened a menu leaves the focus in
  // the menu, for its keys.
  page.canvas.addEventListener('mousedown', () => {
    if (!menuOpen()) focusGarden();
  });
  // GLUT turns the finger's touches into mouse events itself; cancelling
  // the touch keeps the browser from sending its own mouse events after a
  // tap as well, which would press twice.
  page.canvas.addEventListener(
    'touchstart',
    (event) => {
      event.preventDefault();
      focusGarden();
    },
    { passive: false },
  );

  // GLUT reads the key from keyCode: the letter's capital, or the digit.
  function sendKey(key) {
    const keyCode = key.toUpperCase().charCodeAt(0);
    for (const type of ['keydown', 'keyup']) {
      const event = new KeyboardEvent(type, { key, keyCode, which: keyCode, bubbles: true, cancelable: true });
      page.canvas.dispatchEvent(event);
    }
  }

  for (const button of page.keys.querySelectorAll('button[data-key]')) {
    button.addEventListener('click', () => {
      sendKey(button.dataset.key);
      focusGarden();
    });
  }

  // The key buttons are for screens with no keyboard: shown where the main
  // pointer is a finger, or as soon as a finger touches the page.
  function showKeyButtons() {
    page.keys.hidden = false;
  }
  if (window.matchMedia('(pointer: coarse)').matches) showKeyButtons();
  window.addEventListener('touchstart', showKeyButtons, { once: true, passive: true });

  // ---------------------------------------------------------------- kept pictures

  // The pictures people bring, as the BMP files the garden reads, kept in
  // IndexedDB: database "sandmere", store "pictures", the file's bytes under
  // its file name ("bg1.bmp").
  const database = new Promise((resolve, reject) => {
    const request = indexedDB.open('sandmere', 1);
    request.onupgradeneeded = () => request.result.createObjectStore('pictures');
    request.onsuccess = () => resolve(request.result);
    request.onerror = () => reject(request.error);
  });

  // Runs work on the store in one transaction. work may return a function
  // that reads its requests' results: once the transaction has committed,
  // the promise resolves with what that function gives.
  function withKeptPictures(mode, work) {
    return database.then(
      (db) =>
        new Promise((resolve, reject) => {
          const transaction = db.transaction('pictures', mode);
          const answer = work(transaction.objectStore('pictures'));
          transaction.oncomplete = () => resolve(answer && answer());
          transaction.onabort = () => reject(transaction.error);
        }),
    );
  }

  const keptPictures = withKeptPictures('readonly', (store) => {
    const names = store.getAllKeys();
    const files = store.getAll();
    return () => new Map(names.result.map((name, i) => [name, files.result[i]]));
  });

  // Before the garden starts, its working folder gets every kept picture; it
  // paints only the others.
  function writeKeptPictures() {
    Module.addRunDependency('kept-pictures');
    keptPictures
      .then((kept) => {
        for (const [fileName, bytes] of kept) Module.FS.writeFile(fileName, bytes);
      })
      .catch((error) => showLine(`Your pictures: this browser keeps none (${error.message}).`, 'page'))
      .finally(() => Module.removeRunDependency('kept-pictures'));
  }

  // ---------------------------------------------------------------- making a picture

  // The garden's pictures as its table lists them, read once it runs.
  let gardenPictures = [];

  function cString(address) {
    const memory = Module.HEAPU8;
    return new TextDecoder().decode(memory.subarray(address, memory.indexOf(0, address)));
  }

  function readGardenPictures() {
    const count = Module._sandmerePictureCount();
    gardenPictures = [];
    for (let i = 0; i < count; ++i) {
      const fileName = cString(Module._sandmerePictureFile(i));
      gardenPictures.push({ fileName, side: Module._sandmerePictureSide(i) });
    }
  }

  // The photo as the garden takes it: stood upright by its EXIF orientation,
  // its centred square scaled to side by side, laid over white; RGBA, top row
  // first.
  async function gardenPixels(file, side) {
    const photo = await createImageBitmap(file, { imageOrientation: 'from-image' });
    try {
      const square = document.createElement('canvas');
      square.width = square.height = side;
      const context = square.getContext('2d', { willReadFrequently: true });
      context.fillStyle = '#fff';
      context.fillRect(0, 0, side, side);
      context.imageSmoothingQuality = 'high';
      const crop = Math.min(photo.width, photo.height);
      context.drawImage(photo, (photo.width - crop) / 2, (photo.height - crop) / 2, crop, crop, 0, 0, side, side);
      return context.getImageData(0, 0, side, side).data;
    } finally {
      photo.close();
    }
  }

  // The garden's own writer makes the BMP, in a scratch file of the
  // in-memory file system; its bytes come back.
  function writeGardenBmp(pixels, side, fileName) {
    const scratch = '/tmp/' + fileName;
    const name = new TextEncoder().encode(scratch + '\0');
    const pixelsAt = Module._malloc(pixels.length);
    const nameAt = Module._malloc(name.length);
    try {
      Module.HEAPU8.set(pixels, pixelsAt);
      Module.HEAPU8.set(name, nameAt);
      if (!Module._sandmereWritePicture(pixelsAt, side, side, nameAt)) return null;
      return Module.FS.readFile(scratch);
    } finally {
      Module._free(pixelsAt);
      Module._free(nameAt);
      if (Module.FS.analyzePath(scratch).exists) Module.FS.unlink(scratch);
    }
  }

  // ---------------------------------------------------------------- the picture control

  let keptNames = new Set();
  let pictureBusy = false;
  // Across the restart that follows, the list shows the picture just changed.
  const chosenPictureKey = 'sandmere.picture';

  function chosenPicture() {
    return gardenPictures.find((picture) => picture.fileName === page.pictureName.value);
  }

  function showPictureState(text) {
    const picture = chosenPicture();
    const kept = picture && keptNames.has(picture.fileName);
    page.pictureForget.disabled = pictureBusy || !kept;
    if (text !== undefined) {
      page.pictureState.textContent = text;
    } else if (picture) {
      page.pictureState.textContent = kept
        ? `${picture.fileName}: yours, kept in this browser.`
        : `${picture.fileName}: the garden's own; a photo becomes ${picture.side} by ${picture.side} pixels.`;
    }
  }

  function fillPictureList() {
    for (const picture of gardenPictures) {
      const option = document.createElement('option');
      option.value = picture.fileName;
      option.textContent = picture.fileName.replace(/\.bmp$/, '');
      page.pictureName.append(option);
    }
    const remembered = sessionStorage.getItem(chosenPictureKey);
    if (remembered && gardenPictures.some((picture) => picture.fileName === remembered)) {
      page.pictureName.value = remembered;
    }
    sessionStorage.removeItem(chosenPictureKey);
    keptPictures.then(
      (kept) => {
        keptNames = new Set(kept.keys());
        showPictureState();
      },
      () => showPictureState('This browser keeps no pictures for the page.'),
    );
  }

  async function usePhoto(file) {
    const picture = chosenPicture();
    if (!picture || pictureBusy) return;
    pictureBusy = true;
    showPictureState(`Reading ${file.name}…`);
    try {
      let pixels;
      try {
        pixels = await gardenPixels(file, picture.side);
      } catch {
        showLine(`Your pictures: ${file.name} is not a picture this browser can read; nothing was kept.`, 'page');
        return;
      }
      const bytes = writeGardenBmp(pixels, picture.side, picture.fileName);
      if (!bytes) {
        showLine(`Your pictures: ${picture.fileName} could not be written; nothing was kept.`, 'page');
        return;
      }
      await withKeptPictures('readwrite', (store) => {
        store.put(bytes, picture.fileName);
      });
      sessionStorage.setItem(chosenPictureKey, picture.fileName);
      restartGarden();
    } catch (error) {
      showLine(`Your pictures: ${picture.fileName} could not be kept (${error.message}).`, 'page');
    } finally {
      pictureBusy = false;
      page.pictureFile.value = '';
      showPictureState();
    }
  }

  async function forgetPicture() {
    const picture = chosenPicture();
    if (!picture || !keptNames.has(picture.fileName)) return;
    await withKeptPictures('readwrite', (store) => {
      store.delete(picture.fileName);
    });
    sessionStorage.setItem(chosenPictureKey, picture.fileName);
    restartGarden();
  }

  page.pictureName.addEventListener('change', () => showPictureState());
  page.pictureFile.addEventListener('change', () => {
    if (page.pictureFile.files.length) usePhoto(page.pictureFile.files[0]);
  });
  page.pictureForget.addEventListener('click', forgetPicture);

  function carriesFiles(event) {
    return event.dataTransfer && Array.from(event.dataTransfer.types).includes('Files');
  }
  document.addEventListener('dragover', (event) => {
    if (!carriesFiles(event)) return;
    event.preventDefault();
    event.dataTransfer.dropEffect = 'copy';
  });
  document.addEventListener('drop', (event) => {
    if (!carriesFiles(event)) return;
    event.preventDefault();
    if (event.dataTransfer.files.length) usePhoto(event.dataTransfer.files[0]);
  });

  // ---------------------------------------------------------------- the offline copy

  function keepSiteOffline() {
    if ('serviceWorker' in navigator) {
      navigator.serviceWorker.register('sw.js').catch((error) => console.warn('offline copy not kept:', error));
    }
  }

  // ---------------------------------------------------------------- the garden

  const Module = {
    canvas: page.canvas,
    print: (text) => showLine(text, 'out'),
    printErr: (text) => showLine(text, 'err'),
    preRun: [writeKeptPictures],
    onRuntimeInitialized() {
      readGardenPictures();
      fillPictureList();
      focusGarden();
      // The site's files are all here by now: copying them for offline use
      // no longer competes with the garden's start.
      keepSiteOffline();
    },
    onExit: (status) => showEnd(`The garden has ended with status ${status}.`, status),
    onAbort: (what) => showEnd(`The garden stopped: ${what}`),
  };
  window.Module = Module;
})();
