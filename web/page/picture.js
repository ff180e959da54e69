// A picture of the garden: exactly the 600 by 600 pixels the window shows,
// the plan in draw mode and the 3-D view in display mode, as a PNG that
// carries the garden file inside, so the picture opens as the garden.
// Shared where the browser shares files, downloaded otherwise.
import * as garden from './garden.js';
import { gardenFileNow } from './keeper.js';
import { pictureWithGarden } from './record.js';
import { download, say } from './share.js';

function pictureName() {
  return garden.state().mode === garden.PLAN ? 'sandmere-plan.png' : 'sandmere-garden.png';
}

export async function shownPicture() {
  const pixels = garden.shownPixels();
  // The garden as these pixels show it, before any more events come.
  const gardenFile = gardenFileNow();
  const canvas = document.createElement('canvas');
  canvas.width = pixels.width;
  canvas.height = pixels.height;
  canvas.getContext('2d').putImageData(pixels, 0, 0);
  const blob = await new Promise((resolve) => canvas.toBlob(resolve, 'image/png'));
  if (!blob) throw new Error('the browser made no PNG');
  const png = pictureWithGarden(new Uint8Array(await blob.arrayBuffer()), gardenFile);
  return new File([png], pictureName(), { type: 'image/png' });
}

async function savePicture() {
  const file = await shownPicture();
  if (navigator.canShare && navigator.canShare({ files: [file] })) {
    try {
      await navigator.share({ files: [file], title: 'A Sandmere garden' });
      say(`${file.name} is shared.`);
      return;
    } catch (error) {
      if (error.name === 'AbortError') return;
    }
  }
  download(file, file.name);
  say(`${file.name} is saved.`);
}

export function startPicture() {
  document
    .getElementById('save-picture')
    .addEventListener('click', () => savePicture().catch((error) => say(`No picture was saved (${error.message}).`)));
}
