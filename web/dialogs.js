// Dialogs, downloads and the note of work the user waits for.
import { $ } from './player.js';

// Resolves when the dialog closes, with its return value.
export function modal(dialog) {
  return new Promise((resolve) => {
    dialog.addEventListener('close', () => resolve(dialog.returnValue), { once: true });
    dialog.returnValue = '';
    dialog.showModal();
  });
}

export function message(text) {
  $('message-text').textContent = text;
  return modal($('message'));
}

export function download(blob, name) {
  const link = document.createElement('a');
  link.href = URL.createObjectURL(blob);
  link.download = name;
  document.body.append(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 60000);
}

// Work the user waits for: said under the picture, and the pointer shows it.
export function busy(text) {
  $('status').textContent = text;
  $('window').setAttribute('aria-busy', String(text !== ''));
  document.body.classList.toggle('busy', text !== '');
  // Let the browser show it before the work holds the thread.
  return new Promise((resolve) => requestAnimationFrame(() => setTimeout(resolve)));
}
