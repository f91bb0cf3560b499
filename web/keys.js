// The window's keys, whatever has the keyboard; a list keeps its own arrows, letters and Space.
import { $, playing } from './player.js';
import { zoomBy } from './picture.js';
import { openMenu } from './menu.js';
import { toggleEditor } from './editor.js';
import {
  exit, onAbout, onClear, onLoad, onPlay, onQuickParts, onRecord, onSnapshot, onStep, onStop,
} from './commands.js';

const plainKeys = {
  ' ': () => (playing() ? onStop() : onPlay()),
  ArrowRight: () => { if (!$('step').disabled) onStep(); },
  '.': () => { if (!$('step').disabled) onStep(); },
  Delete: () => onClear(),
  r: () => onRecord(),
  s: () => onSnapshot(),
  o: () => onLoad(),
  p: () => onQuickParts(),
  F1: () => onAbout(),
  Escape: () => exit(),
};
const ctrlKeys = {
  o: () => onLoad(), e: () => toggleEditor(), '+': () => zoomBy(1), '=': () => zoomBy(1), '-': () => zoomBy(-1),
};

export function windowKey(event) {
  if (!$('ended').hidden || document.querySelector('dialog[open]') || !$('menu').hidden) return;
  const key = event.key.length === 1 ? event.key.toLowerCase() : event.key;
  let action = null;
  if ((key === 'F10' && event.shiftKey) || key === 'ContextMenu') {
    action = () => {
      const box = $('window').getBoundingClientRect();
      openMenu(box.left + 5, box.top + 5);
    };
  } else if (event.ctrlKey || event.metaKey) {
    action = event.altKey ? null : ctrlKeys[key];
  } else if (!event.altKey) {
    // In the editor's text every key but F1 types, Esc too: it must not end the page and the edits.
    const typing = event.target.closest && event.target.closest('select, input, textarea');
    const passed = key === 'F1' || (key === 'Escape' && typing && typing.tagName !== 'TEXTAREA');
    action = typing && !passed ? null : plainKeys[key];
  }
  if (!action) return;
  event.preventDefault();
  action();
}
