// The popup menu: right-click, Shift+F10 or the Menu button; arrows, Home and End move in it.
import { $ } from './player.js';
import { rearmIfPlaying, stopTimer, updateControls } from './clock.js';
import { onAbout, onLoad, onLoadFolder, onShare, onStatistics } from './commands.js';
import { chooseCompressor } from './recording.js';
import { toggleEditor } from './editor.js';

let menuReturn = null; // where focus goes back to when the menu closes

const menuItems = () => [...$('menu').querySelectorAll('button:not(:disabled)')];

export function openMenu(x, y) {
  stopTimer();
  updateControls();
  const menu = $('menu');
  menuReturn = document.activeElement;
  menu.hidden = false;
  const box = menu.getBoundingClientRect();
  menu.style.left = Math.min(x, window.innerWidth - box.width - 4) + 'px';
  menu.style.top = Math.min(y, window.innerHeight - box.height - 4) + 'px';
  menuItems()[0].focus();
}

// Closes the menu; a chosen item then runs as its command, after the menu has gone.
export function closeMenu(chosen) {
  const menu = $('menu');
  if (menu.hidden) return;
  menu.hidden = true;
  if (menuReturn && document.contains(menuReturn)) menuReturn.focus();
  menuReturn = null;
  rearmIfPlaying();
  const commands = { load: onLoad, folder: onLoadFolder, compressor: chooseCompressor, statistics: onStatistics,
    edit: toggleEditor, share: onShare, about: onAbout };
  if (chosen && commands[chosen]) commands[chosen]();
}

export function menuKey(event) {
  const items = menuItems();
  const at = items.indexOf(document.activeElement);
  const moves = { ArrowDown: at + 1, ArrowUp: at - 1, Home: 0, End: items.length - 1 };
  if (event.key in moves) {
    items[(moves[event.key] + items.length) % items.length].focus();
  } else if (event.key === 'Escape' || event.key === 'Tab') {
    closeMenu(null);
  } else {
    return;
  }
  event.preventDefault();
  event.stopPropagation();
}
