// The picture: the player's frame, composed in the module after every tick, shown enlarged by a whole
// factor without smoothing; and the window's texture and caption around it.
import { $, call, page } from './player.js';
import { paintLines } from './editor.js';

const canvas = () => $('picture');
let zoom = 0; // the factor chosen with the zoom keys; 0: the largest that fits
let largest = 1; // the largest factor that fits the browser window

// The largest whole factor at which the picture and the controls under it fit the viewport, or the
// zoom chosen below that; a screen with room for less than twice the picture (a phone) gets the
// picture as wide as it fits. The window is as wide as its picture, as in the desktop program.
export function fit() {
  const picture = canvas();
  const width = picture.width || 320;
  const height = picture.height || 240;
  // The viewport without scroll bars (a phone's window grows to whatever overflows it).
  const { clientWidth: viewWidth, clientHeight: viewHeight } = document.documentElement;
  const margin = viewWidth < 480 ? 4 : 12; // as in mirrim.css
  // The editor, when open, stands beside the picture where there is room (below it on a phone).
  const editor = $('editor');
  const beside = editor.hidden || viewWidth < 480 ? 0 : editor.offsetWidth + margin;
  // Per factor: the picture, its frame, the button row and the gaps; besides: caption, list, help.
  const room = Math.min((viewWidth - 2 * margin - 8 - beside) / (width + 14), (viewHeight - 130) / (height + 45));
  largest = room >= (beside ? 1 : 2) ? Math.floor(room) : Math.max(0.25, room);
  const s = zoom > 0 ? Math.min(zoom, largest) : largest;
  document.documentElement.style.setProperty('--s', String(s));
  // Buttons keep at least 24 CSS pixels to touch.
  document.documentElement.style.setProperty('--b', String(Math.max(s, 1.3)));
  picture.style.width = width * s + 'px';
  picture.style.height = height * s + 'px';
  $('window').style.width = width * s + 8 + 'px';
  editor.style.height = beside ? `${$('window').offsetHeight}px` : '';
  paintLines();
}

// Ctrl+plus and Ctrl+minus, from the factor shown, between 1 and the largest that fits (which then
// follows the browser window again).
export function zoomBy(step) {
  const shown = Number(document.documentElement.style.getPropertyValue('--s')) || 1;
  const next = Math.round(shown) + step;
  zoom = next >= largest ? 0 : Math.max(1, next);
  fit();
}

export function draw() {
  const picture = canvas();
  const context = picture.getContext('2d');
  const width = call.frame_width();
  const height = call.frame_height();
  if (width === 0 || height === 0) {
    context.clearRect(0, 0, picture.width, picture.height);
    return;
  }
  if (picture.width !== width || picture.height !== height) {
    picture.width = width;
    picture.height = height;
    fit();
  }
  const bytes = new Uint8ClampedArray(page.mirrim.HEAPU8.buffer, call.frame(), width * height * 4);
  context.putImageData(new ImageData(bytes, width, height), 0, 0);
}

// The window's grey texture, from the player, behind everything.
export function paintTexture() {
  const texture = document.createElement('canvas');
  texture.width = texture.height = 128;
  const bytes = new Uint8ClampedArray(page.mirrim.HEAPU8.buffer, call.texture(), 128 * 128 * 4);
  texture.getContext('2d').putImageData(new ImageData(bytes.slice(), 128, 128), 0, 0);
  document.documentElement.style.background = `url(${texture.toDataURL()})`;
}

export function setCaption(text) {
  page.caption = text;
  $('caption').textContent = text;
  document.title = text;
}

// The picture's pixel under the pointer of an event.
export function pointerAt(event) {
  const picture = canvas();
  const box = picture.getBoundingClientRect();
  page.pointer.x = Math.floor((event.clientX - box.left - picture.clientLeft) * picture.width / picture.clientWidth);
  page.pointer.y = Math.floor((event.clientY - box.top - picture.clientTop) * picture.height / picture.clientHeight);
}
