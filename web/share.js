// Share: the address becomes a link that plays the current scene, with its seed and the pictures it
// needs beyond the shipped ones, or the page says why it cannot.
import { $, call, page } from './player.js';
import { message } from './dialogs.js';
import * as links from './links.js';
import * as pictures from './pictures.js';

const sameBytes = (a, b) => a.length === b.length && a.every((v, i) => v === b[i]);

// The pictures in a scene's folder that a link must carry: not the shipped ones. Each says whether
// the scene has read it yet. A file the scene read that is no picture (an included definition) cannot
// travel: then {problem}.
function picturesBeside(folder, scenePath) {
  const fs = page.mirrim.FS;
  const read = fs.readFiles || {};
  const found = [];
  const walk = (dir) => {
    for (const name of fs.readdir(dir)) {
      if (name === '.' || name === '..') continue;
      const path = `${dir}/${name}`;
      const mode = fs.lstat(path).mode;
      if (fs.isDir(mode)) walk(path);
      if (!fs.isFile(mode) || path === scenePath) continue;
      const bytes = fs.readFile(path);
      const relative = path.slice(folder.length + 1);
      if (pictures.kind(bytes) === null) {
        if (read[path]) throw new Error(`it reads "${relative}", which is no picture, and a link carries only a scene and its pictures`);
        continue;
      }
      const twin = `/scenes/${name}`;
      if (fs.analyzePath(twin).exists && sameBytes(fs.readFile(twin), bytes)) continue;
      found.push({ name: relative, bytes, read: Boolean(read[path]) });
    }
  };
  walk(folder);
  return found;
}

// A picture the scene names outside its folder ("../x.gif") that is there: a link carries only the
// scene's folder and what lies below it. Throws, naming it. A numbered pattern stands for every file
// it matches.
function noPictureOutside(folder, definition) {
  const fs = page.mirrim.FS;
  const names = new Set([...definition.matchAll(/<Image Filename>([^<]*)<\/Image Filename>/g)].map((m) => m[1]));
  for (const name of names) {
    const parts = [];
    let outside = false;
    for (const part of name.split('/')) {
      if (part === '..') outside = outside || parts.pop() === undefined;
      else if (part !== '.' && part !== '') parts.push(part);
    }
    if (!outside || name.startsWith('/')) continue;
    const at = name.lastIndexOf('/');
    const dir = `${folder}/${name.slice(0, at)}`;
    const pieces = name.slice(at + 1).split(/%[-+ #0]*[0-9]{0,3}(?:\.[0-9]{0,3})?[di]/);
    const pattern = new RegExp(`^${pieces.map((p) => p.replace(/[.*+?^${}()|[\]\\]/g, '\\$&')).join('[0-9]+')}$`);
    const there = fs.analyzePath(dir).exists && fs.isDir(fs.stat(dir).mode)
      && fs.readdir(dir).some((n) => pattern.test(n));
    if (there) throw new Error(`it names the picture "${name}" outside its folder, and a link carries only pictures in it or below it`);
  }
}

export async function share() {
  const { current, seed } = page;
  const withSeed = seed === null ? '' : `&seed=${seed}`;
  let hash = `#scene=default${withSeed}`;
  if (current.path) {
    const folder = current.path.slice(0, current.path.lastIndexOf('/')) || '/';
    let carried;
    try {
      carried = folder === '/scenes' ? [] : picturesBeside(folder, current.path);
      noPictureOutside(folder, call.definition(current.path));
    } catch (error) {
      return message(`This scene cannot be shared: ${error.message}.`);
    }
    const head = `#def=${await links.pack(page.mirrim.FS.readFile(current.path))}${withSeed}`;
    const packed = [];
    for (const p of carried) {
      packed.push({ ...p, text: `&pic=${encodeURIComponent(p.name)}:${await links.pack(p.bytes)}` });
    }
    const base = location.href.split('#')[0].length;
    const length = (list) => base + head.length + list.reduce((n, p) => n + p.text.length, 0);
    // Everything chosen with the scene if it fits, else what it has read.
    let kept = packed;
    if (length(kept) > links.MAX_LINK) kept = packed.filter((p) => p.read);
    if (length(kept) > links.MAX_LINK) {
      const names = kept.map((p) => `"${p.name}" (${p.text.length} characters)`).join(', ');
      return message(`This scene cannot be shared: its link would be ${length(kept)} characters, more than `
        + `${links.MAX_LINK}. ${names ? `The pictures it carries take part of that: ${names}. ` : ''}`
        + 'A link carries the shipped pictures for nothing, and others only when they are small.');
    }
    hash = head + kept.map((p) => p.text).join('');
  }
  history.replaceState(null, '', hash);
  if (navigator.clipboard) navigator.clipboard.writeText(location.href).catch(() => {});
  $('status').textContent = `The address now plays this scene (${location.href.length} characters): share it.`;
  return undefined;
}
