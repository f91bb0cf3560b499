// Links that carry a scene: #def=DATA[&seed=N][&pic=NAME:DATA]..., DATA being bytes compressed in the
// zlib format (CompressionStream "deflate") and written in base64url without padding, NAME a picture's
// name relative to the scene, URI-encoded. mirrim-cli share writes the same links.

const MAX_LINK = 32 * 1024; // characters in a link Share makes
const MAX_UNPACKED = 1 << 20; // bytes a link may unpack to, scene and pictures together
const MAX_SEED = 2147483647;

function toBase64Url(bytes) {
  let binary = '';
  for (let i = 0; i < bytes.length; i += 0x8000) binary += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
  return btoa(binary).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}

function fromBase64Url(text) {
  if (!/^[A-Za-z0-9_-]*$/.test(text) || text.length % 4 === 1) throw new Error('it is not base64url');
  const binary = atob(text.replace(/-/g, '+').replace(/_/g, '/'));
  return Uint8Array.from(binary, (c) => c.charCodeAt(0));
}

async function pack(bytes) {
  const stream = new Blob([bytes]).stream().pipeThrough(new CompressionStream('deflate'));
  return toBase64Url(new Uint8Array(await new Response(stream).arrayBuffer()));
}

// The bytes, read no further than limit: a small link may unpack to gigabytes.
async function unpack(text, limit) {
  const reader = new Blob([fromBase64Url(text)]).stream().pipeThrough(new DecompressionStream('deflate')).getReader();
  const parts = [];
  let size = 0;
  for (;;) {
    let chunk;
    try {
      chunk = await reader.read();
    } catch (error) {
      throw new Error('its data is damaged');
    }
    if (chunk.done) break;
    size += chunk.value.length;
    if (size > limit) {
      reader.cancel().catch(() => {});
      throw new Error(`it unpacks to more than ${MAX_UNPACKED} bytes`);
    }
    parts.push(chunk.value);
  }
  const bytes = new Uint8Array(size);
  let at = 0;
  for (const part of parts) {
    bytes.set(part, at);
    at += part.length;
  }
  return bytes;
}

// A seed as typed or linked: null for none, a number, or undefined when it is no seed.
function seedOf(text) {
  const t = String(text).trim();
  if (t === '') return null;
  return /^[0-9]{1,10}$/.test(t) && Number(t) <= MAX_SEED ? Number(t) : undefined;
}

// A picture's name from a link, kept inside the scene's folder: relative, without "." or ".." parts.
function safeName(name) {
  const parts = name.split('/');
  const fine = name.length <= 255 && parts.every((p) => p !== '' && p !== '.' && p !== '..' && !p.includes('\0'));
  if (!fine) throw new Error(`it names a picture "${name}" outside the scene's folder`);
  return name;
}

// What an address's fragment holds: {scene, seed, def, pics: [{name, data}]}; throws on a malformed one.
function parse(hash) {
  const found = { scene: null, seed: null, def: null, pics: [] };
  for (const part of hash.replace(/^#/, '').split('&')) {
    const at = part.indexOf('=');
    const key = at < 0 ? part : part.slice(0, at);
    const value = at < 0 ? '' : part.slice(at + 1);
    if (key === 'scene') found.scene = decodeURIComponent(value);
    else if (key === 'def') found.def = value;
    else if (key === 'seed') {
      found.seed = seedOf(value);
      if (found.seed === undefined) throw new Error(`its seed "${value}" is not a whole number from 0 to ${MAX_SEED}`);
    } else if (key === 'pic') {
      const colon = value.indexOf(':');
      if (colon < 0) throw new Error('a picture in it has no data');
      found.pics.push({ name: safeName(decodeURIComponent(value.slice(0, colon))), data: value.slice(colon + 1) });
    }
  }
  return found;
}

// The scene and its pictures, unpacked within MAX_UNPACKED bytes in all.
async function open(found) {
  let left = MAX_UNPACKED;
  const take = async (data) => {
    const bytes = await unpack(data, left);
    left -= bytes.length;
    return bytes;
  };
  const scene = await take(found.def);
  const pictures = [];
  for (const { name, data } of found.pics) pictures.push({ name, bytes: await take(data) });
  return { scene, pictures };
}

export { MAX_LINK, MAX_UNPACKED, MAX_SEED, pack, unpack, parse, open, seedOf };
