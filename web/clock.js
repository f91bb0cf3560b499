// The clock and the controls it goes with. As in the window, a 50 ms timer is the only clock, runs only
// while playing and is re-armed after each tick's work; every command stops it first and re-arms it
// only if the player still plays, so nothing ticks while a dialog of a command is open.
import { $, TICK_MS, call, page, playing } from './player.js';
import { draw, setCaption } from './picture.js';
import { isRecording, recordFrame } from './recording.js';

let timer = null;

export function stopTimer() {
  clearTimeout(timer);
  timer = null;
}

// With ?steady in the address a tick starts 50 ms after the previous one started (at once when that one
// took longer), as the window's Steady 20 Ticks a Second; otherwise 50 ms after it ended.
const steady = new URLSearchParams(location.search).has('steady');

function armTimer(spent = 0) {
  stopTimer();
  if (!page.failed) timer = setTimeout(tick, steady ? Math.max(0, TICK_MS - spent) : TICK_MS);
}

export function rearmIfPlaying() {
  if (playing()) armTimer();
}

function tick() {
  const started = performance.now();
  timer = null;
  call.tick(page.pointer.down ? 1 : 0, page.pointer.x, page.pointer.y);
  page.ticks += 1;
  draw();
  const status = recordFrame();
  if (status) setCaption('Dozozudori: ' + status);
  armTimer(performance.now() - started);
}

export function updateControls() {
  const isPlaying = playing();
  const recording = isRecording();
  const focused = document.activeElement;
  swap('record', 'recording', recording);
  $('stop').disabled = !isPlaying;
  $('step').disabled = isPlaying;
  swap('play', 'playing', isPlaying);
  $('menu').querySelector('[data-command=compressor]').disabled = recording;
  // A control that loses its focus by being disabled hands it on to the next one, as in the window.
  if (focused && focused.disabled) {
    const controls = [...$('controls').querySelectorAll('button')];
    const next = controls.slice(controls.indexOf(focused) + 1).concat(controls)
      .find((c) => !c.disabled && !c.hidden);
    if (next) next.focus();
  }
}

// Shows one of a pair that shares a place; focus follows to the one shown.
function swap(first, second, showSecond) {
  const shown = $(showSecond ? second : first);
  const hidden = $(showSecond ? first : second);
  const hadFocus = document.activeElement === hidden;
  hidden.hidden = true;
  shown.hidden = false;
  if (hadFocus) shown.focus();
}

// Runs a command as the window does: timer stopped first, re-armed afterwards only while playing.
export function command(action) {
  return (...args) => {
    stopTimer();
    const result = action(...args);
    updateControls();
    if (result && typeof result.then === 'function') {
      return result.finally(() => { updateControls(); rearmIfPlaying(); });
    }
    rearmIfPlaying();
    return result;
  };
}
