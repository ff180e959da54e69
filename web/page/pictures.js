// The pictures people bring: a photo in place of one of the garden's
// fourteen pictures, made into the BMP file the garden reads by the
// garden's own writer, and kept in IndexedDB (database "sandmere", store
// "pictures", the file's bytes under its file name, "bg1.bmp"). Before
// the garden starts, its working folder gets every kept picture.
import * as garden from './garden.js';
import { showLine } from './console.js';
import { objectStore } from './idb.js';
import { startAgain } from './keeper.js';

const pictureName = document.getElementById('picture-name');
const pictureFile = document.getElementById('picture-file');
const pictureForget = document.getElementById('picture-forget');
const pictureState = document.getElementById('picture-state');

// The kept pictures' store.
const withKeptPictures = objectStore('sandmere', 'pictures');

let keptPictures = null;

// Begins reading the kept pictures, before the garden's script loads.
export function beginReadingPictures() {
  keptPictures = withKeptPictures('readonly', (store) => {
    const names = store.getAllKeys();
    const files = store.getAll();
    return () => new Map(names.result.map((name, i) => [name, files.result[i]]));
  });
  keptPictures.catch(() => {});
}

// The kept pictures' names, once read (none where nothing is kept).
export const keptPictureNames = () => keptPictures.then((kept) => new Set(kept.keys()), () => new Set());

// Writes every kept picture into the garden's working folder.
export async function writeKeptPictures(FS) {
  try {
    for (const [fileName, bytes] of await keptPictures) FS.writeFile(fileName, bytes);
  } catch (error) {
    showLine(`Your pictures: this browser keeps none (${error.message}).`, 'page');
  }
}

// ---- Making a picture --------------------------------------------------------

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

// ---- The picture control -----------------------------------------------------

let gardenPictures = [];
let keptNames = new Set();
let pictureBusy = false;
// Across the restart that follows, the list shows the picture just changed.
const chosenPictureKey = 'sandmere.picture';

const chosenPicture = () => gardenPictures.find((picture) => picture.fileName === pictureName.value);

function showPictureState(text) {
  const picture = chosenPicture();
  const kept = picture && keptNames.has(picture.fileName);
  pictureForget.disabled = pictureBusy || !kept;
  if (text !== undefined) {
    pictureState.textContent = text;
  } else if (picture) {
    pictureState.textContent = kept
      ? `${picture.fileName}: yours, kept in this browser.`
      : `${picture.fileName}: the garden's own; a photo becomes ${picture.side} by ${picture.side} pixels.`;
  }
}

// A fresh page is a fresh garden, with the kept pictures written anew and
// the kept garden replayed.
const restartGarden = () => startAgain();

export async function usePhoto(file) {
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
    const bytes = garden.writeBmp(pixels, picture.side, picture.fileName);
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
    pictureFile.value = '';
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

// Once the garden runs: the list of its pictures, and the controls.
export function startPictures() {
  gardenPictures = garden.pictures();
  for (const picture of gardenPictures) {
    const option = document.createElement('option');
    option.value = picture.fileName;
    option.textContent = picture.fileName.replace(/\.bmp$/, '');
    pictureName.append(option);
  }
  const remembered = sessionStorage.getItem(chosenPictureKey);
  if (remembered && gardenPictures.some((picture) => picture.fileName === remembered)) pictureName.value = remembered;
  sessionStorage.removeItem(chosenPictureKey);
  keptPictures.then(
    (kept) => {
      keptNames = new Set(kept.keys());
      showPictureState();
    },
    () => showPictureState('This browser keeps no pictures for the page.'),
  );
  pictureName.addEventListener('change', () => showPictureState());
  pictureFile.addEventListener('change', () => {
    if (pictureFile.files.length) usePhoto(pictureFile.files[0]);
  });
  pictureForget.addEventListener('click', forgetPicture);
}
