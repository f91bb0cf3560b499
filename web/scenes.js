// Opening scenes: the shipped ones by the list or the address, one an address carries, and the seed
// the random sequence starts from.
import { $, REFUSED, call, dropOtherFolders, page, playerSaid, playing } from './player.js';
import { busy, message } from './dialogs.js';
import { rearmIfPlaying, stopTimer, updateControls } from './clock.js';
import { draw, paintTexture, setCaption } from './picture.js';
import { editorSceneChanged } from './editor.js';
import { storeDecoded } from './files.js';
import * as links from './links.js';
import * as pictures from './pictures.js';

const LINKED = 'linked scene'; // the name a scene from an address is read under

export function shippedScenes() {
  const names = page.mirrim.FS.readdir('/scenes').filter((f) => f.endsWith('.zrk')).map((f) => f.slice(0, -4));
  return ['default', ...names.sort()];
}

// Starts the current scene afresh, as a new window would play it (a stopped player stays stopped):
// the random sequence from its start, the scene read, then the seed, as mirrim-cli render does.
// Whether the file was refused.
export function startAfresh(wasPlaying) {
  call.start();
  page.ticks = 0;
  if (!wasPlaying) call.stop();
  page.mirrim.FS.chdir(page.current.folder);
  const refused = page.current.path !== null && call.load(page.current.path) === REFUSED;
  call.seed(page.seed === null ? -1 : page.seed);
  paintTexture();
  setCaption('Mirrim');
  draw();
  updateControls();
  return refused;
}

function setSeed(value) {
  page.seed = value;
  $('seed').value = value === null ? '' : String(value);
}

// After what opens a scene has spoken, if anything: no tick while a message is up.
function opened(note) {
  editorSceneChanged();
  dropOtherFolders();
  if (note) message(note).then(rearmIfPlaying);
  else rearmIfPlaying();
}

// Starts the named shipped scene afresh, from the seed given.
export function openScene(name, seedToUse = page.seed, why = '') {
  stopTimer();
  const wasPlaying = page.mirrim === null || playing();
  const known = shippedScenes().includes(name);
  page.sceneName = known ? name : 'default';
  page.stem = page.sceneName;
  page.current = { path: page.sceneName === 'default' ? null : `/scenes/${page.sceneName}.zrk`, folder: '/' };
  setSeed(seedToUse);
  startAfresh(wasPlaying);
  $('scenes').value = page.sceneName;
  opened(why || (known ? playerSaid() : `There is no shipped scene called "${name}"; playing the default scene.`));
}

// The address names a shipped scene (#scene=NAME) or carries one (#def=...), and perhaps a seed.
export function openAddress() {
  let found;
  try {
    found = links.parse(location.hash);
  } catch (error) {
    return openScene('default', null, `This address cannot be opened: ${error.message}. Playing the default scene.`);
  }
  if (found.def !== null) return openLinked(found);
  return openScene(found.scene === null ? 'default' : found.scene, found.seed);
}

// The address with the seed as it now is; nothing reopens.
function addressSeed() {
  const parts = location.hash.replace(/^#/, '').split('&').filter((p) => p && !p.startsWith('seed='));
  if (page.seed !== null) parts.splice(Math.min(1, parts.length), 0, `seed=${page.seed}`);
  history.replaceState(null, '', parts.length ? `#${parts.join('&')}` : location.pathname);
}

// A new seed starts the current scene afresh from it.
export function changeSeed() {
  const value = links.seedOf($('seed').value);
  if (value === undefined) {
    setSeed(page.seed);
    return message(`A seed is a whole number from 0 to ${links.MAX_SEED}, or nothing for the usual sequence.`);
  }
  if (value === page.seed) return undefined;
  setSeed(value);
  addressSeed();
  startAfresh(playing());
  call.messages(); // said when the scene was first read
  return undefined;
}

// Opens the scene an address carries, with its pictures, in a folder of its own where the shipped
// pictures lie too; a link that cannot be read plays the default scene and says why.
async function openLinked(found) {
  stopTimer();
  const wasPlaying = playing();
  const folder = `/linked/${++page.loads}`;
  const fs = page.mirrim.FS;
  page.keep.add(folder);
  try {
    await busy('Reading the scene in the address...');
    const { scene, pictures: carried } = await links.open(found);
    fs.mkdirTree(folder);
    linkShippedPictures(folder);
    for (const { name, bytes } of carried) {
      const kind = pictures.kind(bytes);
      const refused = kind === null ? 'it is no picture' : pictures.refusal(bytes);
      if (refused) throw new Error(`the picture "${name}" in it cannot be read: ${refused}`);
      const path = `${folder}/${name}`;
      fs.mkdirTree(path.slice(0, path.lastIndexOf('/')));
      if (fs.analyzePath(path).exists) fs.unlink(path);
      if (kind === 'gif' || kind === 'bmp') fs.writeFile(path, bytes);
      else await storeDecoded(new Blob([bytes]), path);
    }
    fs.writeFile(`${folder}/${LINKED}`, scene);
  } catch (error) {
    page.keep.delete(folder);
    await busy('');
    return openScene('default', null, `The scene in this address cannot be opened: ${error.message}. Playing the default scene.`);
  }
  page.keep.delete(folder);
  await busy('');
  page.sceneName = 'link';
  page.stem = 'link';
  page.current = { path: `${folder}/${LINKED}`, folder };
  setSeed(found.seed);
  if (startAfresh(wasPlaying)) {
    const why = playerSaid(folder).replace(/ The scene goes on as it was\.$/, '');
    return openScene('default', null, `The address holds no scene the page can play: ${why} Playing the default scene.`);
  }
  $('scenes').value = '';
  return opened(playerSaid(folder));
}

// The shipped pictures, linked into a folder so that a scene there finds them as it would beside them.
export function linkShippedPictures(folder) {
  const fs = page.mirrim.FS;
  for (const name of fs.readdir('/scenes')) {
    if (!name.startsWith('.') && !/\.(zrk|vq)$/i.test(name)) fs.symlink(`/scenes/${name}`, `${folder}/${name}`);
  }
}
