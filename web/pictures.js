// Pictures the page is given: their kind and declared size read from the header, so that a picture too
// big to hold is refused before anything decodes it; JPEG and PNG decoded off the page's thread.

// The desktop's budget: each side at most 16384 pixels, at most 16384 x 16384 pixels in all.
const MAX_SIDE = 16384;
const MAX_PIXELS = MAX_SIDE * MAX_SIDE;

function kind(bytes) {
  const starts = (...sig) => sig.every((b, i) => bytes[i] === b);
  if (starts(0x47, 0x49, 0x46, 0x38)) return 'gif';
  if (starts(0x42, 0x4d)) return 'bmp';
  if (starts(0xff, 0xd8, 0xff)) return 'jpeg';
  if (starts(0x89, 0x50, 0x4e, 0x47)) return 'png';
  return null;
}

// JPEG: the first start-of-frame segment, walking the segments before it.
function jpegSize(bytes, view) {
  let at = 2;
  while (at + 4 <= bytes.length) {
    if (bytes[at] !== 0xff) return null;
    const marker = bytes[at + 1];
    if (marker === 0xff) { at += 1; continue; } // fill byte
    if (marker === 0x01 || (marker >= 0xd0 && marker <= 0xd8)) { at += 2; continue; } // no length
    const frame = marker >= 0xc0 && marker <= 0xcf && marker !== 0xc4 && marker !== 0xc8 && marker !== 0xcc;
    if (frame) {
      return at + 9 <= bytes.length ? { width: view.getUint16(at + 7), height: view.getUint16(at + 5) } : null;
    }
    at += 2 + view.getUint16(at + 2);
  }
  return null;
}

// The size the header declares, or null when the header is cut short.
function declaredSize(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  const has = (n) => bytes.length >= n;
  switch (kind(bytes)) {
    case 'png': return has(24) ? { width: view.getUint32(16), height: view.getUint32(20) } : null;
    case 'gif': return has(10) ? { width: view.getUint16(6, true), height: view.getUint16(8, true) } : null;
    case 'jpeg': return jpegSize(bytes, view);
    case 'bmp':
      if (!has(26)) return null;
      if (view.getUint32(14, true) === 12) { // OS/2 core header: 16-bit sizes
        return { width: view.getUint16(18, true), height: view.getUint16(20, true) };
      }
      // Rows top first give a negative height.
      return { width: Math.abs(view.getInt32(18, true)), height: Math.abs(view.getInt32(22, true)) };
    default: return null;
  }
}

// Why a picture of these bytes is refused before decoding; empty when it is not.
function refusal(bytes) {
  const size = declaredSize(bytes);
  if (!size) return '';
  const { width, height } = size;
  if (width <= MAX_SIDE && height <= MAX_SIDE && width * height <= MAX_PIXELS) return '';
  return `it is ${width} x ${height} pixels, and a picture may have at most ${MAX_SIDE} a side`;
}

// Canvas pixels of a JPEG or PNG file: { width, height, rgba }. Decoded in a worker when the browser
// has one that can draw, so the page stays live; otherwise here.
let worker = null;
let jobs = 0;
const pending = new Map();

function decodeHere(blob) {
  return createImageBitmap(blob, { colorSpaceConversion: 'none', premultiplyAlpha: 'none' }).then((image) => {
    const surface = document.createElement('canvas');
    surface.width = image.width;
    surface.height = image.height;
    const drawing = surface.getContext('2d');
    drawing.drawImage(image, 0, 0);
    const rgba = drawing.getImageData(0, 0, image.width, image.height).data;
    return { width: image.width, height: image.height, rgba };
  });
}

function decode(blob) {
  if (typeof Worker === 'undefined' || typeof OffscreenCanvas === 'undefined') return decodeHere(blob);
  if (!worker) {
    worker = new Worker(new URL('decoder.js', import.meta.url));
    worker.onmessage = ({ data }) => {
      const job = pending.get(data.id);
      pending.delete(data.id);
      if (data.error) job.reject(new Error(data.error));
      else job.resolve({ width: data.width, height: data.height, rgba: new Uint8ClampedArray(data.rgba) });
    };
  }
  const id = ++jobs;
  return new Promise((resolve, reject) => {
    pending.set(id, { resolve, reject });
    worker.postMessage({ id, blob });
  });
}

export { kind, declaredSize, refusal, decode, MAX_SIDE, MAX_PIXELS };
