// The page reads a picture's declared size from its header, to refuse one too big before decoding it.
'use strict';
const assert = require('assert');
const pictures = require('../../web/pictures.js');

const le16 = (n) => [n & 0xff, n >> 8];
const le32 = (n) => [n & 0xff, (n >> 8) & 0xff, (n >> 16) & 0xff, (n >>> 24) & 0xff];
const be16 = (n) => [n >> 8, n & 0xff];
const be32 = (n) => [n >>> 24, (n >> 16) & 0xff, (n >> 8) & 0xff, n & 0xff];

const png = (w, h) => [0x89, 0x50, 0x4e, 0x47, 13, 10, 26, 10, 0, 0, 0, 13, 73, 72, 68, 82, ...be32(w), ...be32(h), 8, 2];
const gif = (w, h) => [...Buffer.from('GIF89a'), ...le16(w), ...le16(h), 0];
const bmp = (w, h) => [66, 77, ...le32(0), 0, 0, 0, 0, ...le32(54), ...le32(40), ...le32(w), ...le32(h), 1, 0, 24, 0];
const os2 = (w, h) => [66, 77, ...le32(0), 0, 0, 0, 0, ...le32(26), ...le32(12), ...le16(w), ...le16(h), 1, 0, 24, 0];
// A JPEG with an APP0 segment and a restart marker before its start of frame (progressive, C2).
const jpeg = (w, h) => [0xff, 0xd8, 0xff, 0xe0, ...be16(6), 1, 2, 3, 4, 0xff, 0xff, 0xd0,
  0xff, 0xc2, ...be16(11), 8, ...be16(h), ...be16(w), 1, 1, 0x11, 0];

const cases = [
  // bytes, declared size, refused
  [png(20000, 20000), [20000, 20000], true],
  [png(16384, 16384), [16384, 16384], false],
  [png(4000, 3000), [4000, 3000], false],
  [png(0x80000001, 1), [0x80000001, 1], true],
  [gif(65535, 2), [65535, 2], true],
  [gif(320, 240), [320, 240], false],
  [bmp(20000, -20000), [20000, 20000], true],
  [bmp(640, -480), [640, 480], false],
  [os2(16385, 1), [16385, 1], true],
  [jpeg(20000, 20000), [20000, 20000], true],
  [jpeg(4000, 3000), [4000, 3000], false],
  [png(20000, 20000).slice(0, 20), null, false], // cut short: left to the decoder
  [jpeg(20000, 20000).slice(0, 20), null, false],
];
for (const [list, size, refused] of cases) {
  const bytes = Uint8Array.from(list);
  const what = `${pictures.kind(bytes)} ${size}`;
  const found = pictures.declaredSize(bytes);
  assert.deepStrictEqual(found && [found.width, found.height], size, what);
  assert.strictEqual(pictures.refusal(bytes) !== '', refused, what);
}
console.log(`picture sizes: ${cases.length} headers read`);
