// The Mirrim page: the window's controls, keys, pointer and clock around the player in mirrim.wasm.
import createMirrim from './mirrim.js';
import { $, bind, call, page, playing } from './player.js';
import { fit, paintTexture, pointerAt } from './picture.js';
import { stopTimer } from './clock.js';
import {
  exit, onClear, onFiles, onLoad, onPlay, onRecord, onSeed, onShare, onSnapshot, onStep, onStop,
} from './commands.js';
import { openAddress, openScene, shippedScenes } from './scenes.js';
import { closeMenu, menuKey, openMenu } from './menu.js';
import { windowKey } from './keys.js';
import { wireEditor } from './editor.js';
import * as folders from './folders.js';

// The mouse or a finger held on the picture drives the particle factory. Like the window's mouse
// capture, the pointer keeps counting beyond the picture; moves while stopped are not followed.
function wirePointer() {
  const canvas = $('picture');
  const { pointer } = page;
  canvas.addEventListener('pointerdown', (event) => {
    if (event.button !== 0) return;
    event.preventDefault();
    canvas.setPointerCapture(event.pointerId);
    canvas.classList.add('drawing');
    pointerAt(event);
    pointer.down = true;
  });
  canvas.addEventListener('pointermove', (event) => {
    if (pointer.down && playing()) pointerAt(event);
  });
  const release = (event) => {
    if (!pointer.down) return;
    pointerAt(event);
    pointer.down = false;
    canvas.classList.remove('drawing');
  };
  canvas.addEventListener('pointerup', release);
  canvas.addEventListener('pointercancel', release);
  $('window').addEventListener('contextmenu', (event) => {
    event.preventDefault();
    pointer.down = false;
    canvas.classList.remove('drawing');
    openMenu(event.clientX, event.clientY);
  });
}

function wire() {
  $('clear').addEventListener('click', onClear);
  $('stop').addEventListener('click', onStop);
  $('step').addEventListener('click', onStep);
  $('play').addEventListener('click', onPlay);
  $('playing').addEventListener('click', onPlay);
  $('record').addEventListener('click', onRecord);
  $('recording').addEventListener('click', onRecord);
  $('snapshot').addEventListener('click', onSnapshot);
  $('load').addEventListener('click', onLoad);
  $('exit').addEventListener('click', exit);
  $('again').addEventListener('click', () => location.reload());

  $('scenes').replaceChildren(...shippedScenes().map((name) => new Option(name, name)));
  $('scenes').addEventListener('change', () => {
    const wanted = `#scene=${encodeURIComponent($('scenes').value)}${page.seed === null ? '' : `&seed=${page.seed}`}`;
    if (location.hash === wanted) openScene($('scenes').value);
    else location.hash = wanted; // the address shows the scene, and the change opens it
  });
  window.addEventListener('hashchange', openAddress);
  $('seed').addEventListener('change', onSeed);
  $('share').addEventListener('click', onShare);
  wirePointer();

  $('menu').addEventListener('click', (event) => {
    const item = event.target.closest('[data-command]');
    if (item && !item.disabled) closeMenu(item.dataset.command);
  });
  $('menu').addEventListener('keydown', menuKey);
  document.addEventListener('pointerdown', (event) => {
    if (!$('menu').hidden && !$('menu').contains(event.target)) closeMenu(null);
  });

  document.addEventListener('keydown', windowKey);
  // Space presses the focused button on release unless its press was taken: take that too.
  document.addEventListener('keyup', (event) => { if (event.key === ' ' && event.defaultPrevented) event.preventDefault(); });
  $('more').addEventListener('click', () => {
    const box = $('more').getBoundingClientRect();
    openMenu(box.left, box.bottom);
  });

  document.addEventListener('dragover', (event) => event.preventDefault());
  document.addEventListener('drop', (event) => {
    if (event.target === $('definition') && !event.dataTransfer.types.includes('Files')) return; // text typed in
    event.preventDefault();
    if ($('ended').hidden) onFiles(folders.fromDrop(event.dataTransfer));
  });
  window.addEventListener('resize', fit);
  wireEditor();
}

function ready(module) {
  bind(module);
  $('version').textContent = call.version();
  wire();
  call.start();
  paintTexture();
  fit();
  $('loading').remove();
  openAddress();
}

// Should the module ever fail (a fault of ours, or memory the browser will not give), say so and
// stop the clock rather than throwing on every tick.
function stopped(why) {
  page.failed = true;
  stopTimer();
  const note = Object.assign(document.createElement('p'), { id: 'loading', role: 'alert' });
  note.textContent = `Mirrim has stopped: ${why}`;
  $('area').append(note);
}

// The files the player reads are noted (FS.readFiles): Share carries the pictures a scene has read.
// Resolves once the page plays.
export const started = createMirrim({ onAbort: stopped, logReadFiles: true }).then(ready, (error) => {
  $('loading').textContent = `Mirrim cannot start in this browser: ${error}`;
});

// Once loaded, the page works without the network, and comes back without it.
if ('serviceWorker' in navigator && location.protocol.startsWith('http')) {
  navigator.serviceWorker.register('sw.js').catch(() => {});
}
