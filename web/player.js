// The player in mirrim.wasm, its functions, and what the page keeps about the scene it plays.

export const TICK_MS = 50;
export const REFUSED = 4; // what mirrim_load gives for a file it does not take

export const $ = (id) => document.getElementById(id);

// The module's functions, bound once it has started.
export const call = {};

export const page = {
  mirrim: null, // the module
  failed: false, // the module has stopped for good
  pointer: { down: false, x: 0, y: 0 },
  caption: 'Mirrim',
  sceneName: 'default', // the shipped scene last opened
  stem: 'default', // what downloads are named after: that scene, or the scene file loaded since
  // The file the player reads when the scene starts afresh (null: the player's own scene), and the
  // folder it is read from; a seed, or null for the usual sequence.
  current: { path: null, folder: '/' },
  seed: null,
  ticks: 0, // ticks and steps since the scene opened
  loads: 0, // Load commands begun
  loaded: 0, // and files read by the player
  keep: new Set(), // folders kept besides the scene's own: a load or a link still writing, the editor's copy
};

export function bind(module) {
  page.mirrim = module;
  for (const name of ['start', 'tick', 'step', 'clear', 'compose', 'stop', 'toggle_play', 'playing', 'start_recording',
    'particle_count', 'frame_width', 'frame_height', 'frame', 'texture']) {
    call[name] = module['_mirrim_' + name];
  }
  call.load = module.cwrap('mirrim_load', 'number', ['string']);
  call.messages = module.cwrap('mirrim_messages', 'string', []);
  call.version = module.cwrap('mirrim_version', 'string', []);
  call.storePicture = module.cwrap('mirrim_store_picture', 'number', ['string', 'number', 'number', 'number']);
  call.toggleParticles = module._mirrim_toggle_draw_particles;
  call.definition = module.cwrap('mirrim_definition', 'string', ['string']);
  call.edit = module.cwrap('mirrim_edit', 'number', ['string', 'number', 'number']);
  call.findings = module.cwrap('mirrim_findings', 'string', []);
  call.seed = module._mirrim_seed;
}

export const playing = () => call.playing() !== 0;

// What the player said while it read a file, if anything, with the files named as the user knows
// them: without the folder they were put in here.
export function playerSaid(folder) {
  const text = call.messages().trim();
  return folder ? text.split(`${folder}/`).join('') : text;
}

// Bytes copied into the module's memory for the time the action takes; false when there is no room.
export function withBytes(bytes, action) {
  const at = page.mirrim._malloc(Math.max(1, bytes.length));
  if (!at) return false;
  try {
    page.mirrim.HEAPU8.set(bytes, at);
    action(at);
  } finally {
    page.mirrim._free(at);
  }
  return true;
}

// Each load, link and edit puts its files in a folder of its own (/load/N, /linked/N, /edited/N). Only
// the scene played needs its folder: the others are let go, so that loading again and again does not
// keep every picture ever chosen in memory. Links inside them are removed, not followed.
export function dropOtherFolders() {
  const fs = page.mirrim.FS;
  const remove = (path) => {
    if (fs.isDir(fs.lstat(path).mode)) {
      for (const name of fs.readdir(path)) {
        if (name !== '.' && name !== '..') remove(`${path}/${name}`);
      }
      fs.rmdir(path);
    } else {
      fs.unlink(path);
    }
  };
  for (const top of ['/load', '/linked', '/edited']) {
    if (!fs.analyzePath(top).exists) continue;
    for (const name of fs.readdir(top)) {
      const folder = `${top}/${name}`;
      if (name === '.' || name === '..' || folder === page.current.folder || page.keep.has(folder)) continue;
      try {
        remove(folder);
      } catch (error) {
        // What could not be let go stays; the scene plays on.
      }
    }
  }
}
