// The scene's definition text beside the picture. What is typed acts after a short pause without
// starting the scene over, unless the checker finds an error in it: then the scene plays on as it was
// and the findings are marked at their lines. The scene's file (for a shipped scene or the player's
// own, a copy) then holds the edited scene, so that Restart, a new seed and Share play what was edited.
import { $, call, page, withBytes } from './player.js';
import { download } from './dialogs.js';
import { draw, fit } from './picture.js';
import { linkShippedPictures } from './scenes.js';
import { onRestart, onShare } from './commands.js';

const MAX_DEFINITION_BYTES = 16 << 20; // as the player reads definition files
const LINE = 16; // the pixels a line of the text takes, as in mirrim.css
const definition = document.getElementById('definition');
// The pending check, where the edits are kept, edits applied, the text's lines and the marks on them.
export const edits = { timer: null, target: null, folders: 0, applied: 0, lines: 1, marks: new Map(), stale: true };

const editorOpen = () => !$('editor').hidden;

export function toggleEditor() {
  const editor = $('editor');
  if (editorOpen()) {
    flushEdit();
    const hadFocus = editor.contains(document.activeElement);
    editor.hidden = true;
    fit();
    if (hadFocus) $('more').focus();
    return;
  }
  editor.hidden = false;
  if (edits.stale) reloadEditor();
  fit();
  definition.focus();
}

// Another scene was opened: its text replaces what was typed for the last one.
export function editorSceneChanged() {
  clearTimeout(edits.timer);
  edits.timer = null;
  if (edits.target) page.keep.delete(edits.target.folder);
  edits.target = null;
  edits.stale = true;
  if (editorOpen()) reloadEditor();
}

function reloadEditor() {
  edits.stale = false;
  const text = call.definition(page.current.path || '').replace(/\r\n?/g, '\n');
  // A scene file may hold more text than a definition can be; such text the editor does not take.
  const taken = text.length <= MAX_DEFINITION_BYTES;
  definition.value = taken ? text : '';
  definition.scrollTop = 0;
  edits.lines = countLines(definition.value);
  showFindings('', taken ? '' : `This scene's definition is ${text.length} characters long, more than the `
    + `${MAX_DEFINITION_BYTES} bytes a definition file may hold: it cannot be edited here.`);
}

function countLines(text) {
  let lines = 1;
  for (let at = text.indexOf('\n'); at >= 0; at = text.indexOf('\n', at + 1)) lines += 1;
  return lines;
}

// Where the edited scene is kept: the file played, or, for a shipped scene and the player's own, a
// copy in a folder of its own beside the shipped pictures (the shipped files stay as they are).
function editTarget() {
  if (page.current.path !== null && !page.current.path.startsWith('/scenes/')) return page.current;
  if (!edits.target) {
    const folder = `/edited/${++edits.folders}`;
    page.keep.add(folder);
    page.mirrim.FS.mkdirTree(folder);
    linkShippedPictures(folder);
    const name = page.current.path ? page.current.path.slice('/scenes/'.length) : `${page.stem}.vq`;
    if (page.current.path) page.mirrim.FS.writeFile(`${folder}/${name}`, page.mirrim.FS.readFile(page.current.path));
    edits.target = { path: `${folder}/${name}`, folder };
  }
  return edits.target;
}

function applyEdit() {
  clearTimeout(edits.timer);
  edits.timer = null;
  if (page.failed) return;
  const target = editTarget();
  const bytes = new TextEncoder().encode(definition.value);
  let applied = false;
  const held = withBytes(bytes, (at) => { applied = call.edit(target.path, at, bytes.length) !== 0; });
  if (!held) {
    showFindings('', 'Not applied: there is not enough memory for the text. The scene plays on as it was.');
    return;
  }
  const said = call.findings().split(`${target.folder}/`).join('');
  call.messages(); // what the constraints said as they were made: the findings say it better
  if (applied) {
    edits.applied += 1;
    page.current = target;
    call.compose();
    draw();
  }
  showFindings(said, applied ? `Applied at tick ${page.ticks}; the scene plays on with it.`
    : 'Not applied: the scene plays on as it was.', target.path.slice(target.folder.length + 1));
}

export function flushEdit() {
  if (edits.timer !== null) applyEdit();
}

// The checker's findings, one a line as mirrim-cli check writes them; those in the edited text itself
// (the file name) are marked at their lines too.
function showFindings(text, state, name = '') {
  const SHOWN = 100;
  const found = text.split('\n').filter((line) => line);
  edits.marks = new Map();
  const items = found.slice(0, SHOWN).map((line) => {
    const item = document.createElement('li');
    item.textContent = line;
    const where = line.startsWith(`${name}:`) && /^:(\d+): (error|warning): /.exec(line.slice(name.length));
    const severity = / error: /.test(line) ? 'error' : 'warning';
    item.className = severity;
    if (where) {
      const number = Number(where[1]);
      item.dataset.line = String(number);
      const mark = edits.marks.get(number);
      if (!mark || mark.severity === 'warning') edits.marks.set(number, { severity, text: line });
    }
    return item;
  });
  if (found.length > SHOWN) items.push(Object.assign(document.createElement('li'), { textContent: `... and ${found.length - SHOWN} more.` }));
  $('findings').replaceChildren(...items);
  $('edit-state').textContent = state;
  paintLines();
}

// The numbers of the lines in view, and the marks on them (only those: a text may have a million).
export function paintLines() {
  if (!editorOpen()) return;
  const first = Math.floor(definition.scrollTop / LINE);
  const last = Math.min(edits.lines, first + Math.ceil(definition.clientHeight / LINE) + 1);
  const rows = [];
  for (let number = first + 1; number <= last; ++number) {
    const row = document.createElement('div');
    row.textContent = String(number);
    const mark = edits.marks.get(number);
    if (mark) {
      row.className = mark.severity;
      row.title = mark.text;
    }
    rows.push(row);
  }
  if (rows.length > 0) rows[0].style.marginTop = `${first * LINE - definition.scrollTop}px`;
  $('editor-lines').replaceChildren(...rows);
}

// The text caret at the start of a line, in view.
function goToLine(number) {
  const lines = definition.value.split('\n', number);
  const at = lines.slice(0, number - 1).reduce((n, line) => n + line.length + 1, 0);
  definition.focus();
  definition.setSelectionRange(at, at + (lines[number - 1] || '').length);
  definition.scrollTop = Math.max(0, (number - 3) * LINE);
}

const utf8Length = (text) => new TextEncoder().encode(text).length;

export function wireEditor() {
  definition.addEventListener('input', () => {
    edits.lines = countLines(definition.value);
    paintLines();
    clearTimeout(edits.timer);
    // A long text takes longer to check: it waits for a longer pause.
    edits.timer = setTimeout(applyEdit, Math.min(3000, 400 + definition.value.length / 10000));
  });
  definition.addEventListener('scroll', paintLines);
  // A paste or a drop that would make the text longer than a definition file may be is not taken, so
  // that the page does not hold and check it.
  definition.addEventListener('beforeinput', (event) => {
    const added = event.data ?? (event.dataTransfer ? event.dataTransfer.getData('text/plain') : '');
    if (!added || added.length < 2) return;
    const replaced = definition.value.slice(definition.selectionStart, definition.selectionEnd);
    const kept = definition.value.length - replaced.length;
    if (3 * (kept + added.length) <= MAX_DEFINITION_BYTES) return; // UTF-8: at most 3 bytes a character
    const size = utf8Length(definition.value) - utf8Length(replaced) + utf8Length(added);
    if (size <= MAX_DEFINITION_BYTES) return;
    event.preventDefault();
    $('edit-state').textContent = `Not taken: the text would be ${size} bytes long, and a definition holds at most `
      + `${MAX_DEFINITION_BYTES}.`;
  });
  $('findings').addEventListener('click', (event) => {
    const item = event.target.closest('li[data-line]');
    if (item) goToLine(Number(item.dataset.line));
  });
  $('restart').addEventListener('click', onRestart);
  $('download-vq').addEventListener('click', () => download(new Blob([definition.value], { type: 'text/plain' }), `${page.stem}.vq`));
  $('edit-share').addEventListener('click', () => {
    flushEdit();
    onShare();
  });
  $('edit-close').addEventListener('click', toggleEditor);
}
