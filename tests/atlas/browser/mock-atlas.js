// Writes a small made-up atlas folder in the atlas program's format, for
// working on the page without the program and for the page's own cases:
// three categories (one left out), a location with a basement, a name with
// apostrophes, characters that stand, move, miss their cell or are on
// another floor, night pictures, and pictures stored as a whole map plus
// full-width bands.  Cells are flat colours; characters are diamonds.
//
//   node mock-atlas.js DIR
'use strict';

const fs = require('fs');
const path = require('path');
const crypto = require('crypto');
const { writePng4 } = require('./images');

const W = 896, H = 1024, TW = 28, TH = 32;
const PALETTE = [[0, 0, 0], [157, 7, 52], [48, 29, 226], [178, 59, 231], [0, 107, 61], [114, 114, 114],
  [37, 130, 237], [162, 143, 255], [66, 85, 0], [191, 99, 0], [114, 114, 114], [255, 122, 167],
  [50, 170, 0], [181, 200, 2], [72, 222, 176], [229, 229, 229]];
const TIMES = [...Array(24).keys()].map(String).concat('default');

const page = path.join(__dirname, '..', '..', '..', 'src', 'atlas', 'page');
const out = process.argv[2];
if (!out) {
  console.error('usage: node mock-atlas.js DIR');
  process.exit(2);
}

// Maps: [category, index, location, name, floor].
const MAPS = [
  ['castle', 0, 0, 'Castle_Avelmor', 255], ['castle', 1, 0, 'Castle_Avelmor', 0],
  ['castle', 2, 0, 'Castle_Avelmor', 1],
  ['dwelling', 6, 6, "Ka'Dresh's_Hut", 0],
  ['towne', 0, 0, 'Starfall', 0], ['towne', 2, 1, 'Lorhaven', 0], ['towne', 3, 1, 'Lorhaven', 1],
];

// Characters of a location: shape, hours, three slots, default record.
function npcsOf(location) {
  const s = (x, y, floor, mode) => ({ x, y, floor, mode });
  return [
    { index: 0, shape: 0x40, hours: [21, 5, 9, 17], slots: [s(4, 4, 0, 3), s(10, 10, 0, 1), s(20, 6, 0, 2)],
      default: { shape: 0x40, x: 12, y: 12, floor: 0, hour: 9 } },
    // Wants the same cell as character 0 in the evening.
    { index: 1, shape: 0x41, hours: [17, 21, 0, 0], slots: [s(10, 10, 0, 3), s(16, 20, 0, 0), s(0, 0, 0, 0)],
      default: { shape: 0x41, x: 13, y: 12, floor: 0, hour: 9 } },
    // Sent onto a wall (tile 0) by day, where it cannot stand.
    { index: 5 + location, shape: 0x20, hours: [7, 15, 0, 0], slots: [s(0, 8, 0, 2), s(25, 27, 0, 3), s(0, 0, 0, 0)],
      default: { shape: 0x20, x: 25, y: 27, floor: 0, hour: 9 } },
    // Upstairs (or in the basement) all day.
    { index: 30, shape: 0x50, hours: [9, 18, 0, 0], slots: [s(8, 24, 1, 0), s(9, 24, 255, 0), s(0, 0, 0, 0)],
      default: { shape: 0x50, x: 8, y: 24, floor: 1, hour: 9 } },
  ];
}

function tilesOf(seed) {
  const tiles = [];
  for (let y = 0; y < 32; y++) {
    for (let x = 0; x < 32; x++) {
      const wall = x === 0 || y === 0 || x === 31 || y === 31;
      tiles.push(wall ? 0 : ((x >> 2) * 7 + (y >> 2) * 3 + seed) % 40 + 4);
    }
  }
  return tiles;
}

const inRange = (a, b, h) => (a < b ? a <= h && h < b : b < a ? h >= a || h < b : false);
const hex = (n) => n.toString(16).toUpperCase().padStart(2, '0');
const dec = (n) => String(n).padStart(2, '0');

// Where the characters stand at one time: a simplified placement with the
// same outcomes and report lines as the real one.
function place(m, npcs, time) {
  const hour = time === 'default' ? 9 : Number(time);
  const taken = new Map();
  const lines = [];
  const moved = [];
  const result = npcs.map((n) => {
    let slot = inRange(n.hours[0], n.hours[1], hour) ? 0 : inRange(n.hours[2], n.hours[3], hour) ? 2 : 1;
    let p = n.slots[slot];
    if (time === 'default') {
      slot = 1;
      p = { ...n.default, mode: n.slots[1].mode };
    }
    const r = { index: n.index, shape: n.shape, slot, x: p.x, y: p.y, floor: p.floor,
      fate: 'placed', reason: null, to: null, tile: null };
    if (p.floor !== m.floor) {
      r.fate = 'other floor';
      return r;
    }
    const key = p.x + ',' + p.y;
    if (taken.has(key) || m.tiles[p.y * 32 + p.x] === 0) {
      r.reason = taken.has(key) ? 'multi NPCs at same location' : "can't locate here";
      const range = slot === 0 ? ' ' + dec(n.hours[0]) + '-' + dec(n.hours[1]) : slot === 2 ? ' ' + dec(n.hours[2]) + '-' + dec(n.hours[3]) : '';
      lines.push('(' + hex(p.x) + ',' + hex(p.y) + ',' + hex(m.floor) + ') = ' + hex(n.shape) + '(' + hex(p.mode) + ')' + range + ' ... ' + r.reason);
      moved.push(r);
      return r;
    }
    taken.set(key, r);
    r.tile = 256 + n.shape;
    return r;
  });
  for (const r of moved) {
    const to = [[-1, 0], [1, 0], [0, -1], [0, 1]].map(([dx, dy]) => [r.x + dx, r.y + dy])
      .find(([x, y]) => x > 0 && y > 0 && x < 31 && y < 31 && !taken.has(x + ',' + y));
    if (to) {
      r.fate = 'relocated';
      r.to = to;
      r.tile = 256 + r.shape;
      taken.set(to.join(','), r);
      lines.push('[' + hex(r.index) + '] ' + hex(r.shape) + ' (' + dec(r.x) + ', ' + dec(r.y) + ') -> (' + dec(to[0]) + ', ' + dec(to[1]) + ')');
    } else {
      r.fate = 'not placed';
      lines.push('[' + hex(r.index) + '] ' + hex(r.shape) + ' (' + dec(r.x) + ', ' + dec(r.y) + ') ... can\'t locate');
    }
  }
  return { npcs: result, lines: lines.length ? lines.join('\n') + '\n' : '' };
}

function draw(m, placed, night) {
  const px = new Uint8Array(W * H);
  const cell = (cx, cy, colour, diamond) => {
    for (let y = 0; y < TH; y++) {
      for (let x = 0; x < TW; x++) {
        const inside = Math.abs(x - TW / 2) / (TW / 2) + Math.abs(y - TH / 2) / (TH / 2) < 0.8;
        px[(cy * TH + y) * W + cx * TW + x] = diamond ? (inside ? 15 : colour) : (x === 0 || y === 0 ? 0 : colour);
      }
    }
  };
  m.tiles.forEach((t, i) => cell(i % 32, i >> 5, t === 0 ? 5 : night ? 2 + (t % 3) : 4 + (t % 11), false));
  for (const r of placed) {
    const at = r.fate === 'placed' ? [r.x, r.y] : r.fate === 'relocated' ? r.to : null;
    if (at) cell(at[0], at[1], (r.shape % 12) + 1, true);
  }
  return px;
}

fs.mkdirSync(path.join(out, 'img'), { recursive: true });
const written = new Map();
function store(px, y0, rowCount) {
  const slice = px.subarray(y0 * W, (y0 + rowCount) * W);
  const name = 'img/' + crypto.createHash('sha1').update(slice).digest('hex').slice(0, 16) + '.png';
  if (!written.has(name)) {
    written.set(name, true);
    fs.writeFileSync(path.join(out, name), writePng4(W, rowCount, slice, PALETTE));
  }
  return name;
}

const maps = MAPS.map(([category, index, location, name, floor], i) => {
  const label = floor === 255 ? 'B1F' : (floor + 1) + 'F';
  const m = { stem: 'qz.' + name + '.' + label, category, index, location, name, floor, floor_label: label,
    tiles: tilesOf(i * 5), npcs: npcsOf(location) };
  m.times = {};
  const bases = {};
  for (const time of TIMES) {
    const night = time !== 'default' && (Number(time) <= 4 || Number(time) >= 20);
    const { npcs, lines } = place(m, m.npcs, time);
    const px = draw(m, npcs, night);
    // The whole picture at the first time of its kind; after that, bands of
    // the tile rows that differ from it.
    const kind = night ? 'night' : 'day';
    if (!bases[kind]) bases[kind] = { px, src: store(px, 0, H) };
    const base = bases[kind];
    const bands = [];
    for (let row = 0; row < 32; row++) {
      const a = px.subarray(row * TH * W, (row + 1) * TH * W);
      const b = base.px.subarray(row * TH * W, (row + 1) * TH * W);
      if (Buffer.compare(Buffer.from(a), Buffer.from(b)) === 0) continue;
      const last = bands[bands.length - 1];
      if (last && last.y + last.height === row * TH) last.height += TH;
      else bands.push({ y: row * TH, height: TH });
    }
    for (const band of bands) band.src = store(px, band.y, band.height);
    m.times[time] = {
      picture: { base: base.src, bands: bands.map((b) => ({ src: b.src, y: b.y, height: b.height })) },
      npcs, lines,
    };
  }
  return m;
});

const atlas = {
  format: 1, generator: 'mock atlas',
  options: { blur: 0, shape_bitmap: null, sector_order: 2, no_npcs: false, no_change_pose: false,
    shape_type: 0, no_remake_water: false },
  picture: { width: W, height: H, tile_width: TW, tile_height: TH, bit_count: 4 },
  times: TIMES,
  categories: ['castle', 'dwelling', 'towne'],
  maps,
};
const json = JSON.stringify(atlas);
fs.writeFileSync(path.join(out, 'atlas.json'), json + '\n');
fs.writeFileSync(path.join(out, 'atlas-data.js'), 'window.QZ_ATLAS = ' + json + ';\n');
fs.writeFileSync(path.join(out, '.qz-atlas'), 'mock atlas\n');
for (const file of ['index.html', 'atlas.css', 'atlas-page.js']) {
  fs.copyFileSync(path.join(page, file), path.join(out, file));
}
console.error('wrote a made-up atlas of ' + maps.length + ' maps and ' + written.size + ' pictures into ' + out);
