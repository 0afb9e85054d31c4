// The atlas page in headless Chromium, opened straight from disk.
//
//   node page-test.js --atlas DIR [--check ATLAS,BMPDIR,TIME]... [--shot FILE]
//
// --atlas: the atlas the page is driven through (categories, floors, hours,
// keys, links, tooltips).  --check: at 1x, the pixels the page shows for
// maps of ATLAS at TIME must equal those of the renderer's BMP files in
// BMPDIR.  --shot: where to save a screenshot of the page.  Any console
// error, page error, failed request or request outside the atlas folder
// fails the test.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');
const puppeteer = require('puppeteer-core');
const { readBmp, readPng } = require('./images');

const args = { atlas: null, checks: [], shot: null };
for (let i = 2; i < process.argv.length; i += 2) {
  const [flag, value] = [process.argv[i], process.argv[i + 1]];
  if (flag === '--atlas') args.atlas = path.resolve(value);
  else if (flag === '--shot') args.shot = path.resolve(value);
  else if (flag === '--check') {
    const [atlas, bmps, time] = value.split(',');
    args.checks.push({ atlas: path.resolve(atlas), bmps: path.resolve(bmps), time });
  } else throw new Error('unknown argument ' + flag);
}
if (!args.atlas) throw new Error('usage: node page-test.js --atlas DIR [--check ATLAS,BMPDIR,TIME]... [--shot FILE]');

const VIEW = { width: 1400, height: 1300, deviceScaleFactor: 1 };
const hex2 = (n) => n.toString(16).toUpperCase().padStart(2, '0');
const pad2 = (n) => String(n).padStart(2, '0');
const readAtlas = (dir) => JSON.parse(fs.readFileSync(path.join(dir, 'atlas.json'), 'utf8'));
const atlas = readAtlas(args.atlas);
const stemOf = (i) => atlas.maps[i].stem;

let browser;
let profile;
const problems = [];

// Opens the page of the atlas in DIR at a fragment, recording every sign
// of trouble in `problems`.
async function open(dir, fragment) {
  const page = await browser.newPage();
  await page.setViewport(VIEW);
  page.setDefaultTimeout(5000);
  const root = 'file://' + dir + '/';
  page.on('console', (m) => { if (m.type() === 'error') problems.push('console: ' + m.text()); });
  page.on('pageerror', (e) => problems.push('page error: ' + e.message));
  page.on('requestfailed', (r) => problems.push('failed request: ' + r.url() + ' ' + r.failure().errorText));
  page.on('request', (r) => { if (!r.url().startsWith(root)) problems.push('request outside the atlas: ' + r.url()); });
  await page.goto(root + 'index.html' + fragment);
  return page;
}

function noProblems() {
  assert.deepEqual(problems.splice(0), []);
}

// Waits until the page shows STEM at TIME, then checks that the pictures
// in the page are those the data names for it, at their rows.
async function expectShown(page, stem, time) {
  const want = stem + '/' + time;
  await page.waitForFunction((w) => document.getElementById('map').dataset.shown === w, { timeout: 5000 }, want)
    .catch(async () => {
      const shown = await page.$eval('#map', (m) => m.dataset.shown);
      assert.fail('page shows ' + shown + ', expected ' + want);
    });
  const map = atlas.maps.find((m) => m.stem === stem);
  const picture = map.times[time].picture;
  const layers = await page.$$eval('#stack img', (imgs) => imgs.map((i) => ({
    src: i.getAttribute('src'), top: i.offsetTop, complete: i.complete && i.naturalWidth > 0 })));
  const scale = Number(await page.$eval('#map', (m) => m.dataset.scale));
  assert.deepEqual(layers, [{ src: picture.base, y: 0 }, ...picture.bands]
    .map((l) => ({ src: l.src, top: l.y * scale, complete: true })));
  const fragment = await page.evaluate(() => decodeURIComponent(location.hash));
  assert.match(fragment, new RegExp('^#' + want.replace(/[.]/g, '\\.') + '(/\\w+)?$'));
}

async function mapBox(page) {
  return page.$eval('#map', (m) => {
    const r = m.getBoundingClientRect();
    return { x: r.left, y: r.top, width: r.width, height: r.height };
  });
}

// The RGB pixels of the page over the map's top-left WIDTH x HEIGHT CSS
// pixels.
async function shownPixels(page, width, height) {
  const box = await mapBox(page);
  const png = await page.screenshot({ clip: { x: box.x, y: box.y, width, height } });
  return readPng(Buffer.from(png));
}

function firstDifference(a, b, width, scale) {
  for (let i = 0; i < a.rgb.length; i += 3) {
    const x = (i / 3) % width;
    const y = Math.floor(i / 3 / width);
    const j = (Math.floor(y / scale) * b.width + Math.floor(x / scale)) * 3;
    if (a.rgb[i] !== b.rgb[j] || a.rgb[i + 1] !== b.rgb[j + 1] || a.rgb[i + 2] !== b.rgb[j + 2]) {
      return 'pixel (' + x + ', ' + y + ') is ' + [...a.rgb.subarray(i, i + 3)] + ', the BMP has ' + [...b.rgb.subarray(j, j + 3)];
    }
  }
  return null;
}

function bmpName(stem, time) {
  return time === 'default' ? stem + '.bmp' : stem + '.' + pad2(Number(time)) + '.bmp';
}

test.before(async () => {
  profile = fs.mkdtempSync(path.join(os.tmpdir(), 'qz-atlas-chromium-'));
  browser = await puppeteer.launch({
    executablePath: process.env.QZ_CHROMIUM || execFileSync('sh', ['-c', 'command -v chromium']).toString().trim(),
    headless: true,
    userDataDir: profile,
    args: [
      ...(process.getuid && process.getuid() === 0 ? ['--no-sandbox'] : []),
      '--headless', '--disable-gpu', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--force-color-profile=srgb',
    ],
  });
});

test.after(async () => {
  if (browser) await browser.close();
  fs.rmSync(profile, { recursive: true, force: true });
});

test('a linked view opens at 1x with nothing over the picture', async () => {
  const m = atlas.maps.findIndex((x) => x.category === 'towne' && x.floor === 1);
  const page = await open(args.atlas, '#' + stemOf(m) + '/13');
  await expectShown(page, stemOf(m), '13');
  const box = await mapBox(page);
  assert.deepEqual([box.width, box.height], [atlas.picture.width, atlas.picture.height]);
  assert.ok(box.x >= 0 && box.y >= 0 && box.x + box.width <= VIEW.width && box.y + box.height <= VIEW.height,
    'the picture lies within the window: ' + JSON.stringify(box));
  const over = await page.evaluate(() => ({
    cursor: !document.getElementById('cursor').hidden,
    marker: !document.getElementById('marker').hidden,
    tooltip: !document.getElementById('tooltip').hidden,
    focus: document.activeElement !== document.body,
    crisp: getComputedStyle(document.querySelector('#stack img')).imageRendering,
  }));
  assert.deepEqual(over, { cursor: false, marker: false, tooltip: false, focus: false, crisp: 'pixelated' });
  await page.close();
  noProblems();
});

test('the pixels shown at 1x and 2x are those of the renderer\'s BMP',
  { skip: args.checks.length === 0 && 'no renderer pictures given' }, async (t) => {
  for (const check of args.checks) {
    await t.test(path.basename(check.bmps) + ' at ' + check.time, async () => {
      const data = readAtlas(check.atlas);
      // The first map, and five maps from all categories among those with
      // bands at this time (the layering is the risky part).
      const banded = data.maps.filter((m) => m.times[check.time].picture.bands.length > 0);
      const step = Math.max(1, Math.ceil(banded.length / 5));
      const maps = [data.maps[0], ...banded.filter((m, i) => i % step === step - 1 && m !== data.maps[0])];
      const page = await open(check.atlas, '#' + maps[0].stem + '/' + check.time);
      for (const m of maps) {
        await page.evaluate((f) => { location.hash = f; }, '#' + m.stem + '/' + check.time);
        await page.waitForFunction((w) => document.getElementById('map').dataset.shown === w, {},
          m.stem + '/' + check.time);
        const bmp = readBmp(fs.readFileSync(path.join(check.bmps, bmpName(m.stem, check.time))));
        assert.equal(bmp.bits, data.picture.bit_count);
        const shown = await shownPixels(page, bmp.width, bmp.height);
        assert.equal(firstDifference(shown, bmp, bmp.width, 1), null, m.stem + ' at ' + check.time);
        if (m === maps[0]) {
          // At 2x every picture pixel is a 2 x 2 square of its own colour.
          await page.keyboard.press('2');
          await page.waitForFunction(() => document.getElementById('map').dataset.scale === '2');
          const zoomed = await shownPixels(page, 800, 800);
          assert.equal(firstDifference(zoomed, bmp, 800, 2), null, m.stem + ' at 2x');
          await page.keyboard.press('1');
          await page.waitForFunction(() => document.getElementById('map').dataset.scale === '1');
        }
      }
      await page.close();
      noProblems();
    });
  }
});

test('categories, locations, floors, hours and zoom by clicks and keys', async () => {
  const start = atlas.maps.findIndex((m) => m.category === atlas.categories[0]);
  const page = await open(args.atlas, '#' + stemOf(start) + '/13');
  await expectShown(page, stemOf(start), '13');

  // A category: its first location, on the same floor where it has one.
  const category = atlas.categories[atlas.categories.length - 1];
  const first = atlas.maps.find((m) => m.category === category);
  const target = atlas.maps.find((m) => m.category === category && m.location === first.location &&
    m.floor === atlas.maps[start].floor) || first;
  await page.click('input[name="category"][value="' + category + '"]');
  await expectShown(page, target.stem, '13');

  // A location from the list, then a floor button of a location with floors.
  const upstairs = atlas.maps.find((m) => m.category === category && m.floor === 1);
  const ground = atlas.maps.find((m) => m.category === category && m.location === upstairs.location && m.floor === 0);
  const locations = [...new Set(atlas.maps.filter((m) => m.category === category).map((m) => m.location))];
  await page.select('#location', String(locations.indexOf(upstairs.location)));
  await expectShown(page, ground.stem, '13');
  await page.click('input[name="floor"][value="' + atlas.maps.indexOf(upstairs) + '"]');
  await expectShown(page, upstairs.stem, '13');

  // Hours: a click, then keys that step and wrap through default.
  await page.click('input[name="time"][value="21"]');
  await expectShown(page, upstairs.stem, '21');
  await page.keyboard.press('.');
  await expectShown(page, upstairs.stem, '22');
  await page.keyboard.press('.');
  await page.keyboard.press('.');
  await expectShown(page, upstairs.stem, 'default');
  await page.keyboard.press('.');
  await expectShown(page, upstairs.stem, '0');
  await page.keyboard.press(',');
  await expectShown(page, upstairs.stem, 'default');
  await page.keyboard.press(',');
  await expectShown(page, upstairs.stem, '23');

  // Floors and locations by keys.
  await page.keyboard.press('PageDown');
  await expectShown(page, ground.stem, '23');
  await page.keyboard.press('PageUp');
  await expectShown(page, upstairs.stem, '23');
  // Another location keeps the floor where it has it, else takes the ground floor.
  const landing = (location, floor) => ['same', 0].map((f) => atlas.maps.find((x) => x.category === category &&
    x.location === location && x.floor === (f === 'same' ? floor : f))).find(Boolean);
  const next = landing(locations[(locations.indexOf(upstairs.location) + 1) % locations.length], upstairs.floor);
  await page.keyboard.press(']');
  await expectShown(page, next.stem, '23');
  const back = landing(upstairs.location, next.floor);
  await page.keyboard.press('[');
  await expectShown(page, back.stem, '23');
  if (back !== upstairs) await page.keyboard.press('PageUp');
  await expectShown(page, upstairs.stem, '23');
  // Zoom: 2x doubles every picture pixel with no smoothing; fit takes the
  // largest whole scale the window holds.
  await page.keyboard.press('2');
  await page.waitForFunction(() => location.hash.endsWith('/2'));
  const box = await mapBox(page);
  assert.deepEqual([box.width, box.height], [atlas.picture.width * 2, atlas.picture.height * 2]);
  await expectShown(page, upstairs.stem, '23');
  const linked = page.url();
  await page.setViewport({ width: 2200, height: 2150 });
  await page.keyboard.press('f');
  await page.waitForFunction(() => document.getElementById('map').dataset.scale === '2' && location.hash.endsWith('/fit'));
  await page.setViewport(VIEW);
  await page.waitForFunction(() => document.getElementById('map').dataset.scale === '1');
  await page.keyboard.press('1');
  await page.close();

  // The link reopens the same view, and a changed fragment changes it.
  const again = await browser.newPage();
  await again.setViewport(VIEW);
  await again.goto(linked);
  await expectShown(again, upstairs.stem, '23');
  assert.equal(await again.$eval('#map', (m) => m.dataset.scale), '2');
  await again.evaluate((f) => { location.hash = f; }, '#' + first.stem + '/default');
  await expectShown(again, first.stem, 'default');
  await again.close();
  noProblems();
});

test('pointing at, tapping and moving the cursor over cells and characters', async () => {
  // A character that was moved off its cell tells the most.
  let found = null;
  for (const m of atlas.maps) {
    for (const time of atlas.times) {
      const t = m.times[time].npcs.find((n) => n.fate === 'relocated');
      if (t && !found) found = { m, time, t, npc: m.npcs.find((n) => n.index === t.index) };
    }
  }
  assert.ok(found, 'the atlas has a character that was moved');
  const { m, time, t, npc } = found;
  const page = await open(args.atlas, '#' + m.stem + '/' + time);
  await expectShown(page, m.stem, time);
  const box = await mapBox(page);
  const centre = (x, y) => [box.x + (x + 0.5) * atlas.picture.tile_width, box.y + (y + 0.5) * atlas.picture.tile_height];

  await page.mouse.move(...centre(t.to[0], t.to[1]));
  await page.waitForSelector('#tooltip:not([hidden])');
  const text = await page.$eval('#tooltip', (e) => e.innerText);
  const cell = (x, y) => '(' + x + ', ' + y + ')';
  const report = m.times[time].lines.split('\n');
  const expected = [
    'Cell ' + cell(t.to[0], t.to[1]) + ', tile ' + m.tiles[t.to[1] * 32 + t.to[0]],
    'Character ' + npc.index + ' [' + hex2(npc.index) + '], shape ' + t.shape + ' (hex ' + hex2(t.shape) + ')',
    'could not stand at ' + cell(t.x, t.y) + ' (' + t.reason + '); moved to ' + cell(t.to[0], t.to[1]),
    // Its lines of the placement report, word for word.
    report.find((l) => l.startsWith('(' + hex2(t.x) + ',' + hex2(t.y) + ',') && l.endsWith(t.reason)),
    report.find((l) => l.startsWith('[' + hex2(npc.index) + '] ')),
  ];
  for (const part of expected) assert.ok(part && text.includes(part), 'tooltip has "' + part + '":\n' + text);
  // The whole schedule: each slot's hours (slot 1 has the others) and cell.
  const rows = await page.$$eval('#tooltip tbody tr', (trs) => trs.map((r) => r.innerText));
  [[0, 0, 1], [2, 2, 3]].forEach(([slot, a, b], i) => {
    assert.ok(rows[i].startsWith('slot ' + slot) && rows[i].includes(pad2(npc.hours[a]) + '-' + pad2(npc.hours[b])) &&
      rows[i].includes(cell(npc.slots[slot].x, npc.slots[slot].y)), rows[i]);
  });
  assert.ok(rows[2].startsWith('slot 1') && rows[2].includes(cell(npc.slots[1].x, npc.slots[1].y)), rows[2]);
  if (args.shot) {
    fs.mkdirSync(path.dirname(args.shot), { recursive: true });
    await page.screenshot({ path: args.shot });
  }
  await page.mouse.move(0, 0);
  await page.waitForSelector('#tooltip', { hidden: true });

  // A tap opens the tooltip too, and keeps it open; Escape closes it.
  const placed = m.times[time].npcs.find((n) => n.fate === 'placed');
  if (placed) {
    await page.touchscreen.tap(...centre(placed.x, placed.y));
    await page.waitForSelector('#tooltip:not([hidden])');
    assert.match(await page.$eval('#tooltip', (e) => e.innerText), new RegExp('Character ' + placed.index + ' \\['));
    await page.keyboard.press('Escape');
    await page.waitForSelector('#tooltip', { hidden: true });
  }

  // The keyboard: the map comes after the zoom buttons in the tab order;
  // focusing it puts a cursor on a cell; arrows move it.
  await page.focus('input[name="zoom"]:checked');
  await page.keyboard.press('Tab');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'map');
  await page.waitForSelector('#cursor:not([hidden])');
  await page.keyboard.press('ArrowRight');
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('ArrowDown');
  assert.match(await page.$eval('#info', (e) => e.innerText), new RegExp('^Cell \\(1, 2\\), tile ' + m.tiles[2 * 32 + 1] + ' '));
  const cursor = await page.$eval('#cursor', (c) => [c.offsetLeft, c.offsetTop]);
  assert.deepEqual(cursor, [atlas.picture.tile_width, 2 * atlas.picture.tile_height]);
  await page.close();
  noProblems();
});
