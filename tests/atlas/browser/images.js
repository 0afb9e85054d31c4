// Picture files for the page test: a BMP reader (the renderer's output, to
// compare the page against) and a PNG reader for the browser's screenshots.
// Both give RGB pixels, three bytes each, from the top row down.
'use strict';

const zlib = require('zlib');

function readBmp(bytes) {
  if (bytes.toString('latin1', 0, 2) !== 'BM') throw new Error('not a BMP file');
  const offset = bytes.readUInt32LE(10);
  const headerSize = bytes.readUInt32LE(14);
  const width = bytes.readInt32LE(18);
  const rawHeight = bytes.readInt32LE(22);
  const bits = bytes.readUInt16LE(28);
  const height = Math.abs(rawHeight);
  if (bits !== 4 && bits !== 24) throw new Error('BMP of ' + bits + ' bits: only 4 and 24 are read here');
  const palette = 14 + headerSize;
  const rowSize = Math.floor((width * bits + 31) / 32) * 4;
  const rgb = Buffer.alloc(width * height * 3);
  for (let y = 0; y < height; y++) {
    const row = offset + (rawHeight > 0 ? height - 1 - y : y) * rowSize;
    for (let x = 0; x < width; x++) {
      let b, g, r;
      if (bits === 24) {
        [b, g, r] = [bytes[row + x * 3], bytes[row + x * 3 + 1], bytes[row + x * 3 + 2]];
      } else {
        const index = (bytes[row + (x >> 1)] >> (x & 1 ? 0 : 4)) & 15;
        [b, g, r] = [bytes[palette + index * 4], bytes[palette + index * 4 + 1], bytes[palette + index * 4 + 2]];
      }
      rgb.set([r, g, b], (y * width + x) * 3);
    }
  }
  return { width, height, bits, rgb };
}

function chunks(bytes) {
  const out = [];
  for (let at = 8; at + 8 <= bytes.length;) {
    const length = bytes.readUInt32BE(at);
    out.push({ type: bytes.toString('latin1', at + 4, at + 8), data: bytes.subarray(at + 8, at + 8 + length) });
    at += 12 + length;
  }
  return out;
}

// Reads the 8-bit RGB and RGBA pictures a browser's screenshot gives.
function readPng(bytes) {
  const all = chunks(bytes);
  const ihdr = all.find((c) => c.type === 'IHDR').data;
  const width = ihdr.readUInt32BE(0);
  const height = ihdr.readUInt32BE(4);
  const [depth, type, , , interlace] = ihdr.subarray(8, 13);
  if (depth !== 8 || (type !== 2 && type !== 6) || interlace !== 0) {
    throw new Error('PNG of depth ' + depth + ', colour type ' + type + ', interlace ' + interlace + ' is not read here');
  }
  const channels = type === 6 ? 4 : 3;
  const raw = zlib.inflateSync(Buffer.concat(all.filter((c) => c.type === 'IDAT').map((c) => c.data)));
  const stride = width * channels;
  const pixels = Buffer.alloc(stride * height);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let i = 0; i < stride; i++) {
      const a = i >= channels ? pixels[y * stride + i - channels] : 0;
      const b = y > 0 ? pixels[(y - 1) * stride + i] : 0;
      const c = y > 0 && i >= channels ? pixels[(y - 1) * stride + i - channels] : 0;
      let v = line[i];
      if (filter === 1) v += a;
      else if (filter === 2) v += b;
      else if (filter === 3) v += (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c;
        const [pa, pb, pc] = [Math.abs(p - a), Math.abs(p - b), Math.abs(p - c)];
        v += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      pixels[y * stride + i] = v & 255;
    }
  }
  const rgb = Buffer.alloc(width * height * 3);
  for (let i = 0; i < width * height; i++) pixels.copy(rgb, i * 3, i * channels, i * channels + 3);
  return { width, height, rgb };
}

module.exports = { readBmp, readPng };
