// Load: files chosen or dropped, put in the module's files beside each other as they were chosen, and
// the scene or definition file among them read by the player.
import { $, REFUSED, call, dropOtherFolders, page, playerSaid, withBytes } from './player.js';
import { busy, message, modal } from './dialogs.js';
import { draw, paintTexture } from './picture.js';
import { editorSceneChanged } from './editor.js';
import { onFiles } from './commands.js';
import * as folders from './folders.js';
import * as pictures from './pictures.js';

const MAX_SCENE_BYTES = 64 << 20; // as the player reads them

// Resolves once the choice is made and read, or cancelled. Browsers that tell nothing of a cancelled
// choice only give the focus back to the page: then it resolves after a while, and files chosen after
// all are still loaded, as a command of their own.
export function chooseFiles(id) {
  return new Promise((resolve) => {
    const input = $(id);
    input.value = '';
    let settled = false;
    const done = () => {
      settled = true;
      resolve();
    };
    input.onchange = () => {
      const files = folders.fromInput(input.files);
      if (settled) onFiles(files);
      else loadFiles(files).then(done, done);
    };
    input.oncancel = done;
    window.addEventListener('focus', () => setTimeout(() => { if (input.files.length === 0) done(); }, 1000),
      { once: true });
    input.click();
  });
}

// JPEG and PNG through the browser's decoders, handed over as pixels.
export async function storeDecoded(file, path) {
  const { width, height, rgba } = await pictures.decode(file);
  const stored = withBytes(rgba, (at) => {
    if (!call.storePicture(path, at, width, height)) throw new Error('too big a picture');
  });
  if (!stored) throw new Error('not enough memory');
}

// Which of several files that are not pictures to load: a single .zrk or .vq among them, else the
// user says.
async function whichScene(names) {
  const named = names.filter((name) => /\.(zrk|vq)$/i.test(name));
  if (names.length === 1) return names[0];
  if (named.length === 1) return named[0];
  const select = $('choice');
  select.replaceChildren(...[...named, ...names.filter((n) => !named.includes(n))].map((n) => new Option(n, n)));
  return await modal($('choose')) === 'ok' ? select.value : null;
}

// Puts one chosen file at path in the module's files; returns the problem with it, if any, and
// whether it may be the scene (it is no picture).
async function storeFile({ file, path: relative }, path, at, budget) {
  const fs = page.mirrim.FS;
  // A folder may hold videos and the like: what cannot be a scene is not read whole.
  const head = () => file.slice(0, 8).arrayBuffer().then((b) => new Uint8Array(b));
  if (file.size > MAX_SCENE_BYTES && pictures.kind(await head()) === null) {
    return { candidate: false, problem: `"${relative}" was skipped: it is neither a picture nor a scene.` };
  }
  const bytes = new Uint8Array(await file.arrayBuffer());
  const kind = pictures.kind(bytes);
  if (kind === null) {
    fs.writeFile(path, bytes);
    return { candidate: true };
  }
  const refused = pictures.refusal(bytes);
  if (refused) return { candidate: false, problem: `The picture "${relative}" was not read: ${refused}.` };
  if (kind === 'gif' || kind === 'bmp') {
    fs.writeFile(path, bytes);
    return { candidate: false };
  }
  // A folder of photos must not take all the memory there is: the pictures read at once share the
  // budget of one picture.
  const size = pictures.declaredSize(bytes);
  budget.pixels -= size ? size.width * size.height : 0;
  if (budget.pixels < 0) {
    const problem = `The picture "${relative}" was not read: the pictures chosen together hold too many pixels.`;
    return { candidate: false, problem };
  }
  await busy(`Reading ${relative}${size ? ` (${size.width} x ${size.height})` : ''}, ${at}...`);
  try {
    await storeDecoded(file, path);
  } catch (error) {
    return { candidate: false, problem: `The picture "${relative}" cannot be read: ${error.message}.` };
  }
  return { candidate: false };
}

// The Load command with files chosen or dropped (each with its path in what was chosen): one scene or
// definition file, and the pictures it names, laid out as chosen (a folder keeps its tree) in a folder
// of their own that becomes the current one, so names relative to the scene find them.
export async function loadFiles(chosen) {
  const folder = `/load/${++page.loads}`;
  page.keep.add(folder);
  try {
    await loadInto(folder, chosen);
  } finally {
    page.keep.delete(folder);
    dropOtherFolders();
  }
}

async function loadInto(folder, chosen) {
  const problems = [];
  const others = [];
  let files = [];
  const budget = { pixels: pictures.MAX_PIXELS };
  try {
    files = await chosen;
    for (const [index, entry] of files.entries()) {
      const path = `${folder}/${entry.path}`;
      page.mirrim.FS.mkdirTree(path.slice(0, path.lastIndexOf('/')));
      const stored = await storeFile(entry, path, `file ${index + 1} of ${files.length}`, budget);
      if (stored.problem) problems.push(stored.problem);
      if (stored.candidate) others.push(entry.path);
    }
  } catch (error) {
    problems.push(`The files cannot be read: ${error.message}.`);
  } finally {
    await busy('');
  }
  if (files.length === 0 && problems.length === 0) return;
  const scene = others.length > 0 ? await whichScene(others) : null;
  if (others.length === 0) {
    problems.push('Choose a scene file (.zrk) or a definition file, together with the pictures it names.');
  } else if (scene !== null) {
    page.mirrim.FS.chdir(folder);
    const refused = call.load(scene) === REFUSED;
    page.loaded += 1;
    if (refused) {
      // The scene that goes on reads its pictures from its own folder on later ticks.
      page.mirrim.FS.chdir(page.current.folder);
    } else {
      page.stem = scene.replace(/^.*\//, '').replace(/\.[^.]*$/, '') || 'scene';
      page.current = { path: `${folder}/${scene}`, folder };
      // As in the window, a load starts the sequence from the seed set, or the scene's own.
      if (call.seed(page.seed === null ? -1 : page.seed)) paintTexture();
      editorSceneChanged();
    }
    call.compose();
    draw();
    const said = playerSaid(folder);
    if (said) problems.unshift(said);
  }
  if (problems.length > 0) await message(problems.join('\n'));
}
