// Animated GIF recordings made in the page: the frames are kept as 15-bit colours, and when the clip is
// finished one palette of 256 colours is made from all of them (median cut over the colours' counts,
// each entry the mean of the true colours it stands for), so the clip does not flicker between
// palettes; then every frame is written with it, LZW-compressed, and the GIF loops for ever.

const MAX_PIXELS = 1 << 26; // kept over the whole clip: 128 MB of frames

class Recording {
  constructor(width, height, delayMs) {
    this.width = width;
    this.height = height;
    this.delay = Math.max(2, Math.round(delayMs / 10)); // hundredths of a second
    this.frames = [];
    this.counts = new Float64Array(32768);
    this.sums = new Float64Array(32768 * 3);
  }

  get full() {
    return (this.frames.length + 1) * this.width * this.height > MAX_PIXELS;
  }

  // One frame of canvas pixels (red, green, blue, alpha).
  add(rgba) {
    const { counts, sums } = this;
    const frame = new Uint16Array(this.width * this.height);
    for (let i = 0, p = 0; i < frame.length; ++i, p += 4) {
      const r = rgba[p];
      const g = rgba[p + 1];
      const b = rgba[p + 2];
      const bin = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
      frame[i] = bin;
      counts[bin] += 1;
      sums[bin * 3] += r;
      sums[bin * 3 + 1] += g;
      sums[bin * 3 + 2] += b;
    }
    this.frames.push(frame);
  }

  // The GIF file's bytes.
  finish() {
    const { palette, lookup } = makePalette(this.counts, this.sums);
    const out = new Output();
    out.bytes([0x47, 0x49, 0x46, 0x38, 0x39, 0x61]); // GIF89a
    out.word(this.width);
    out.word(this.height);
    out.bytes([0xf7, 0, 0]); // a global table of 256 colours
    out.bytes(palette);
    out.bytes([0x21, 0xff, 0x0b, ...Array.from('NETSCAPE2.0', (c) => c.charCodeAt(0)), 3, 1, 0, 0, 0]); // loop
    const indices = new Uint8Array(this.width * this.height);
    for (const frame of this.frames) {
      out.bytes([0x21, 0xf9, 4, 0]);
      out.word(this.delay);
      out.bytes([0, 0, 0x2c, 0, 0, 0, 0]);
      out.word(this.width);
      out.word(this.height);
      out.bytes([0, 8]);
      for (let i = 0; i < frame.length; ++i) indices[i] = lookup[frame[i]];
      compress(indices, out);
      out.bytes([0]);
    }
    out.bytes([0x3b]);
    return out.result();
  }
}

// Median cut over the 15-bit colours present: the box whose colours are counted most and can still be
// split is cut across its widest channel where half its count lies on either side.
function makePalette(counts, sums) {
  const present = [];
  for (let bin = 0; bin < counts.length; ++bin) if (counts[bin] > 0) present.push(bin);
  const channel = (bin, c) => (bin >> (10 - 5 * c)) & 31;
  const boxes = [present];
  const weight = (box) => box.reduce((n, bin) => n + counts[bin], 0);
  while (boxes.length < 256) {
    let best = -1;
    let bestWeight = -1;
    boxes.forEach((box, i) => {
      const w = weight(box);
      if (box.length > 1 && w > bestWeight) {
        best = i;
        bestWeight = w;
      }
    });
    if (best < 0) break;
    const box = boxes[best];
    let widest = 0;
    let widestRange = -1;
    for (let c = 0; c < 3; ++c) {
      const values = box.map((bin) => channel(bin, c));
      const range = Math.max(...values) - Math.min(...values);
      if (range > widestRange) {
        widest = c;
        widestRange = range;
      }
    }
    box.sort((a, b) => channel(a, widest) - channel(b, widest));
    let half = 0;
    let cut = 1;
    for (; cut < box.length - 1; ++cut) {
      half += counts[box[cut - 1]];
      if (half * 2 >= bestWeight) break;
    }
    boxes.splice(best, 1, box.slice(0, cut), box.slice(cut));
  }
  const palette = new Uint8Array(768);
  const lookup = new Uint8Array(32768);
  boxes.forEach((box, i) => {
    let n = 0;
    const rgb = [0, 0, 0];
    for (const bin of box) {
      lookup[bin] = i;
      n += counts[bin];
      for (let c = 0; c < 3; ++c) rgb[c] += sums[bin * 3 + c];
    }
    for (let c = 0; c < 3; ++c) palette[i * 3 + c] = n > 0 ? Math.round(rgb[c] / n) : 0;
  });
  return { palette, lookup };
}

// GIF's variable-length LZW of 8-bit indices, in sub-blocks of at most 255 bytes.
function compress(indices, out) {
  const clear = 256;
  const end = 257;
  let size = 9;
  let next = 258;
  let table = new Map();
  let bits = 0;
  let held = 0;
  let block = [];
  const emit = (code) => {
    bits |= code << held;
    held += size;
    while (held >= 8) {
      block.push(bits & 0xff);
      bits >>>= 8;
      held -= 8;
      if (block.length === 255) {
        out.bytes([255, ...block]);
        block = [];
      }
    }
  };
  emit(clear);
  let prefix = indices[0];
  for (let i = 1; i < indices.length; ++i) {
    const key = (prefix << 8) | indices[i];
    const code = table.get(key);
    if (code !== undefined) {
      prefix = code;
      continue;
    }
    emit(prefix);
    if (next === 4096) {
      emit(clear);
      size = 9;
      next = 258;
      table = new Map();
    } else {
      if (next >= 1 << size) size += 1;
      table.set(key, next++);
    }
    prefix = indices[i];
  }
  emit(prefix);
  emit(end);
  if (held > 0) block.push(bits & 0xff);
  if (block.length > 0) out.bytes([block.length, ...block]);
}

class Output {
  constructor() {
    this.parts = [];
    this.part = [];
  }

  bytes(list) {
    for (const b of list) this.part.push(b);
    if (this.part.length > 65536) this.flush();
  }

  word(value) {
    this.bytes([value & 0xff, value >> 8]);
  }

  flush() {
    this.parts.push(Uint8Array.from(this.part));
    this.part = [];
  }

  result() {
    this.flush();
    return new Blob(this.parts, { type: 'image/gif' });
  }
}

export { Recording, MAX_PIXELS };
