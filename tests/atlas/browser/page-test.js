// The atlas page in a real browser, opened straight from disk.
//
//   node page-test.js --browser chromium|firefox --atlas DIR [--check ATLAS,BMPDIR,TIME]...
//                     [--shots DIR]
//
// --atlas: the atlas the page is driven through.  --check: the pixels the
// page shows (at 1x, and at 2x for the first map) and the picture it saves
// for maps of ATLAS at TIME must equal those of the renderer's BMP files in
// BMPDIR.  --shots: where to save screenshots of the page.  Firefox runs
// with security.fileuri.strict_origin_policy set, as users have it, so
// that a page reading files it may not read fails here too.  Any console
// error, page error, failed request or request outside the atlas folder
// fails the test.
'use strict';

const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');
const { readBmp, readPng } = require('./images');

const args = { browser: 'chromium', atlas: null, checks: [], shots: null };
for (let i = 2; i < process.argv.length; i += 2) {
  const [flag, value] = [process.argv[i], process.argv[i + 1]];
  if (flag === '--browser') args.browser = value;
  else if (flag === '--atlas') args.atlas = path.resolve(value);
  else if (flag === '--shots') args.shots = path.resolve(value);
  else if (flag === '--check') {
    const [atlas, bmps, time] = value.split(',');
    args.checks.push({ atlas: path.resolve(atlas), bmps: path.resolve(bmps), time });
  } else throw new Error('unknown argument ' + flag);
}
if (!args.atlas || args.checks.length === 0) {
  throw new Error('usage: node page-test.js --browser B --atlas DIR --check ATLAS,BMPDIR,TIME... [--shots DIR]');
}

const LAPTOP = { width: 1366, height: 768 };
const BIG = { width: 1400, height: 1300 };
const PHONE = { width: 390, height: 844, hasTouch: true };
const hex2 = (n) => n.toString(16).toUpperCase().padStart(2, '0');
const pad2 = (n) => String(n).padStart(2, '0');
const cell = (x, y) => '(' + x + ', ' + y + ')';
const readAtlas = (dir) => JSON.parse(fs.readFileSync(path.join(dir, 'atlas.json'), 'utf8'));
const atlas = readAtlas(args.atlas);
const mapOf = (stem) => atlas.maps.find((m) => m.stem === stem);
const bmpName = (stem, time) => (time === 'default' ? stem : stem + '.' + pad2(Number(time))) + '.bmp';
const slotHours = (npc, s) => (s === 1 ? 'other hours'
  : pad2(npc.hours[s === 0 ? 0 : 2]) + '-' + pad2(npc.hours[s === 0 ? 1 : 3]));
// A town with more than one floor, and a character moved off its cell.
const town = atlas.locations.find((l) => l.category === 'towne' && l.maps.length > 1);
const [ground, upstairs] = town.maps.map((i) => atlas.maps[i]);

let browser;
let downloads;
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'qz-atlas-page-'));
const problems = [];

test.before(async () => {
  downloads = path.join(work, 'downloads');
  fs.mkdirSync(downloads);
  if (args.browser === 'firefox') {
    browser = await puppeteer.launch({
      browser: 'firefox', executablePath: process.env.QZ_FIREFOX || '/usr/bin/firefox-esr', headless: true,
      extraPrefsFirefox: {
        'security.fileuri.strict_origin_policy': true,
        'browser.download.folderList': 2, 'browser.download.dir': downloads, 'browser.download.useDownloadDir': true,
        'browser.download.always_ask_before_handling_new_types': false,
        'browser.helperApps.neverAsk.saveToDisk': 'image/png',
      },
    });
  } else {
    browser = await puppeteer.launch({
      executablePath: process.env.QZ_CHROMIUM || '/usr/bin/chromium', headless: true,
      userDataDir: path.join(work, 'profile'),
      args: [...(process.getuid && process.getuid() === 0 ? ['--no-sandbox'] : []), '--headless', '--disable-gpu',
        '--no-first-run', '--disable-background-networking', '--disable-component-update', '--disable-sync',
        '--force-color-profile=srgb'],
    });
    const session = await browser.target().createCDPSession();
    await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: downloads });
  }
});

test.after(async () => {
  if (browser) await browser.close();
  fs.rmSync(work, { recursive: true, force: true });
});

// Opens the page of the atlas in DIR at a fragment, recording every sign
// of trouble in `problems`.
async function open(fragment, { dir = args.atlas, view = BIG } = {}) {
  const page = await browser.newPage();
  await page.setViewport(view);
  page.setDefaultTimeout(8000);
  const root = 'file://' + dir + '/';
  page.on('console', (m) => { if (m.type() === 'error') problems.push('console: ' + m.text()); });
  page.on('pageerror', (e) => problems.push('page error: ' + e.message));
  page.on('requestfailed', (r) => problems.push('failed request: ' + r.url()));
  page.on('request', (r) => {
    if (!/^(data|blob):/.test(r.url()) && !r.url().startsWith(root)) problems.push('request outside the atlas: ' + r.url());
  });
  await page.goto(root + 'index.html' + fragment);
  await page.waitForFunction(() => document.getElementById('map').dataset.shown);
  return page;
}

async function done(page) {
  await page.close();
  assert.deepEqual(problems.splice(0), []);
}

// Waits until the page shows STEM at TIME and the address names it.
async function shows(page, stem, time, zoom) {
  const want = stem + '/' + time;
  await page.waitForFunction((w) => document.getElementById('map').dataset.shown === w, {}, want).catch(async () => {
    assert.fail('page shows ' + await page.$eval('#map', (m) => m.dataset.shown) + ', expected ' + want);
  });
  const hash = await page.evaluate(() => decodeURIComponent(location.hash));
  assert.equal(hash.split('/').slice(0, 2).join('/'), '#' + want);
  if (zoom) assert.equal(hash.split('/')[2], zoom);
}

const state = (page) => page.evaluate(() => ({
  scale: Number(document.getElementById('map').dataset.scale),
  history: history.length,
  selected: document.getElementById('map').dataset.selected || null,
  notice: document.getElementById('notice').hidden ? null : document.getElementById('notice').textContent,
  hash: decodeURIComponent(location.hash),
  focus: document.activeElement.id || document.activeElement.name || document.activeElement.dataset.key || '',
}));

const rect = (page, selector) => page.$eval(selector, (e) => {
  const r = e.getBoundingClientRect();
  return { x: r.left, y: r.top, width: r.width, height: r.height, right: r.right, bottom: r.bottom };
});

// The middle of cell (x, y) of the map on the page.
async function cellPoint(page, x, y) {
  const box = await rect(page, '#map');
  const s = Number(await page.$eval('#map', (m) => m.dataset.scale));
  return [box.x + (x + 0.5) * atlas.picture.tile_width * s, box.y + (y + 0.5) * atlas.picture.tile_height * s];
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

async function shownPixels(page, width, height) {
  const box = await rect(page, '#map');
  return readPng(Buffer.from(await page.screenshot({ clip: { x: box.x, y: box.y, width, height } })));
}

async function shot(page, name) {
  if (!args.shots) return;
  fs.mkdirSync(args.shots, { recursive: true });
  await page.screenshot({ path: path.join(args.shots, name + '.png') });
}

test('links open at their zoom (older ones at 1x or fit); shown and saved pixels are the BMP\'s', async (t) => {
  for (const check of args.checks) {
    await t.test(path.basename(check.bmps), async () => {
      const data = readAtlas(check.atlas);
      // The first map, and maps of other categories with bands at this time.
      const banded = data.maps.filter((m) => m.times[check.time].picture.length > 1);
      const maps = [data.maps[0], ...banded.filter((m, i) => i % Math.ceil(banded.length / 2) === 1)];
      // The whole map fits at 1x in this window: a link without a zoom
      // opens at 1x, with nothing drawn over the picture.
      const page = await open('#' + maps[0].stem + '/' + check.time, { dir: check.atlas });
      await shows(page, maps[0].stem, check.time, '1');
      assert.deepEqual(await page.evaluate(() => ['cursor', 'marker', 'tooltip', 'day', 'ruler-top', 'sheet']
        .filter((id) => !document.getElementById(id).hidden)), []);
      for (const m of maps) {
        await page.evaluate((f) => { location.hash = f; }, '#' + m.stem + '/' + check.time + '/1');
        await shows(page, m.stem, check.time);
        const bmp = readBmp(fs.readFileSync(path.join(check.bmps, bmpName(m.stem, check.time))));
        assert.equal(bmp.bits, data.picture.bit_count);
        assert.equal(firstDifference(await shownPixels(page, bmp.width, bmp.height), bmp, bmp.width, 1), null,
          m.stem + ' at ' + check.time);
        if (m !== maps[0]) continue;
        // At 2x every picture pixel is a 2 x 2 square of its own colour.
        await page.keyboard.press('2');
        await page.waitForFunction(() => document.getElementById('map').dataset.scale === '2');
        await page.$eval('#scroller', (e) => e.scrollTo(0, 0));   // zooming kept the middle in the middle
        assert.equal(firstDifference(await shownPixels(page, 700, 700), bmp, 700, 2), null, m.stem + ' at 2x');
        // Saved: one PNG named as zud2avuze names the BMP, of its pixels.
        const name = bmpName(m.stem, check.time).replace(/bmp$/, 'png');
        fs.rmSync(path.join(downloads, name), { force: true });
        await page.click('#save-button');
        const file = path.join(downloads, name);
        for (let i = 0; i < 100 && !fs.existsSync(file); i++) await new Promise((r) => setTimeout(r, 50));
        await new Promise((r) => setTimeout(r, 200));  // written whole
        const saved = readPng(fs.readFileSync(file));
        assert.deepEqual([saved.width, saved.height], [bmp.width, bmp.height]);
        assert.equal(firstDifference(saved, bmp, bmp.width, 1), null, 'saved ' + name);
        await page.keyboard.press('1');
      }
      await done(page);
    });
  }
});

test('zoom steps; fit shows the whole map on a laptop and on a phone, where the controls fold', async () => {
  const page = await open('#' + ground.stem + '/13', { view: LAPTOP });
  await shows(page, ground.stem, '13', 'fit');
  const whole = async () => {
    const [map, area] = [await rect(page, '#map'), await rect(page, '#scroller')];
    return map.x >= area.x && map.y >= area.y && map.right <= area.right && map.bottom <= area.bottom &&
      map.bottom <= (await page.evaluate(() => innerHeight));
  };
  const rendering = () => page.$eval('#picture', (c) => getComputedStyle(c).imageRendering);
  assert.equal((await state(page)).scale, 0.5);
  assert.ok(await whole(), 'the whole map shows at fit');
  assert.equal(await rendering(), 'auto');   // smoothed when scaled down
  const { history: entries } = await state(page);
  for (const [key, scale] of [['+', 1], ['+', 2], ['+', 2], ['-', 1], ['-', 0.5], ['-', 0.25], ['-', 0.25], ['f', 0.5]]) {
    await page.keyboard.press(key);
    assert.equal((await state(page)).scale, scale, 'after ' + key);
    if (scale === 2) assert.equal(await rendering(), 'pixelated');   // never smoothed when scaled up
  }
  const s = await state(page);
  assert.equal(s.hash.split('/')[2], 'fit');
  assert.equal(s.history, entries, 'zoom steps replace the history entry');
  await shot(page, 'atlas-1366x768');
  await page.close();

  const phone = await open('#' + ground.stem + '/13', { view: PHONE });
  assert.equal((await state(phone)).scale, 0.25);
  assert.equal(await phone.$eval('#more', (e) => getComputedStyle(e).display), 'none');
  const [map, area] = [await rect(phone, '#map'), await rect(phone, '#scroller')];
  assert.ok(map.x >= area.x && map.right <= area.right && map.bottom <= PHONE.height, JSON.stringify(map));
  // Touch targets, the folded ones too.
  await phone.click('#fold');
  const small = await phone.evaluate(() => [...document.querySelectorAll('button, select, input, summary')]
    .map((e) => (e.type === 'radio' ? e.nextElementSibling : e))
    .filter((e) => e.offsetParent !== null && !e.closest('#overview'))
    .map((e) => [e.id || e.textContent.trim().slice(0, 20), e.getBoundingClientRect()])
    .filter(([, r]) => r.width < 40 || r.height < 40).map(([name, r]) => name + ' ' + r.width + 'x' + r.height));
  assert.deepEqual(small, []);
  await phone.click('#fold');
  // At 1x a tapped cell near the bottom of the screen: the sheet opens
  // along the bottom edge and never covers it; a tap on it again closes it.
  await phone.keyboard.press('1');
  const npc = ground.times['13'].npcs.find((n) => n.fate === 'placed' && n.y > 20);
  await phone.$eval('#scroller', (e, y) => { e.scrollTop = y; }, (npc.y - 18) * atlas.picture.tile_height);
  await phone.$eval('#scroller', (e, x) => { e.scrollLeft = x; }, (npc.x - 4) * atlas.picture.tile_width);
  await phone.touchscreen.tap(...await cellPoint(phone, npc.x, npc.y));
  await phone.waitForSelector('#sheet:not([hidden])');
  const [tapped, sheet] = [await rect(phone, '#marker, #cursor'), await rect(phone, '#sheet')];
  const [x, y] = await cellPoint(phone, npc.x, npc.y);
  assert.ok(sheet.bottom >= PHONE.height - 1 && y + 16 <= sheet.y, 'the cell at ' + y + ' lies above the sheet at ' + sheet.y);
  assert.ok(tapped, 'a box');
  assert.match(await phone.$eval('#sheet', (e) => e.innerText), new RegExp('Character ' + npc.index + ' \\['));
  await shot(phone, 'atlas-390x844');
  assert.equal(await phone.$eval('#tooltip', (e) => e.hidden), true);
  await phone.touchscreen.tap(x, y);
  await phone.waitForSelector('#sheet', { hidden: true });
  await done(phone);
});

test('changing map adds a history entry, hour and zoom steps replace it; bad links keep what they can', async () => {
  const page = await open('#' + ground.stem + '/13/1');
  const start = (await state(page)).history;
  await page.click('input[name="floor"][value="' + atlas.maps.indexOf(upstairs) + '"]');
  await shows(page, upstairs.stem, '13', '1');
  await page.keyboard.press('.');
  await page.keyboard.press('+');
  await shows(page, upstairs.stem, '14', '2');
  assert.equal((await state(page)).history, start + 1);
  await page.goBack();
  await shows(page, ground.stem, '13', '1');
  await page.goForward();
  await shows(page, upstairs.stem, '14', '2');

  // Keys while the location list has the focus, which stays on it; the
  // focus stays on the floor buttons as they are made again.
  await page.focus('#location');
  await page.keyboard.press('.');
  await shows(page, upstairs.stem, '15');
  await page.keyboard.press(']');
  await page.waitForFunction((s) => !document.getElementById('map').dataset.shown.startsWith(s), {}, upstairs.stem);
  assert.equal((await state(page)).focus, 'location');
  await page.focus('input[name="floor"]:checked');
  await page.keyboard.press('[');
  await page.waitForFunction((l) => document.getElementById('location').value === l, {}, String(atlas.locations.indexOf(town)));
  assert.deepEqual(await page.evaluate(() => [document.activeElement.name, document.activeElement.checked]), ['floor', true]);
  await page.close();

  // A bad link: the location and its nearest floor, the hour; the address
  // is left alone until the next view, which takes the notice away.
  const top = atlas.maps[town.maps[town.maps.length - 1]];
  const bad = await open('#qz.' + town.name + '.9F/3');
  let s = await state(bad);
  assert.equal(s.hash, '#qz.' + town.name + '.9F/3');
  assert.match(s.notice, /9F/);
  assert.equal(await bad.$eval('#map', (m) => m.dataset.shown), top.stem + '/3');
  await bad.evaluate(() => { location.hash = '#qz.Nowhere.1F/31/7'; });
  await bad.waitForFunction(() => /Nowhere/.test(document.getElementById('notice').textContent));
  s = await state(bad);
  assert.match(s.notice, /"31"/);
  assert.match(s.notice, /"7"/);
  await bad.keyboard.press('.');
  await bad.waitForFunction(() => document.getElementById('notice').hidden);
  assert.match((await state(bad)).hash, /\/13\/1$/);
  await done(bad);
});

test('pointing: nothing moves under the pointer, a pinned tooltip follows its cell', async () => {
  let found = null;
  for (const m of atlas.maps) {
    for (const time of atlas.times) {
      const t = m.times[time].npcs.find((n) => n.fate === 'relocated');
      if (t && !found) found = { m, time, t, npc: m.npcs.find((n) => n.index === t.index) };
    }
  }
  const { m, time, t, npc } = found;
  const page = await open('#' + m.stem + '/' + time + '/2');
  const rows = () => page.$$eval('#npcs button', (bs) => bs.map((b) => JSON.stringify(b.getBoundingClientRect())));
  const before = await rows();
  for (const i of [0, 2, 4]) {
    const b = await page.$$('#npcs > li > button');
    await b[i].hover();
  }
  assert.deepEqual(await rows(), before);
  assert.equal(await page.$eval('#marker', (e) => e.hidden), false, 'the marker shows the character pointed at');

  // The tooltip of a moved character, with its lines of the report.
  await page.$eval('#scroller', (e, p) => { e.scrollLeft = p[0]; e.scrollTop = p[1]; },
    [(t.to[0] - 3) * atlas.picture.tile_width * 2, (t.to[1] - 3) * atlas.picture.tile_height * 2]);
  await page.mouse.move(...await cellPoint(page, t.to[0], t.to[1]));
  await page.waitForSelector('#tooltip:not([hidden])');
  const text = await page.$eval('#tooltip', (e) => e.innerText);
  const lines = m.times[time].lines.split('\n').filter((l, i) => m.times[time].line_npcs[i] === npc.index);
  for (const part of ['Cell ' + cell(t.to[0], t.to[1]) + ', tile ' + m.tiles[t.to[1] * 32 + t.to[0]],
    'Character ' + npc.index + ' [' + hex2(npc.index) + '], shape ' + t.shape + ' (hex ' + hex2(t.shape) + ')',
    'could not stand at ' + cell(t.x, t.y) + ' (' + t.reason + '); moved to ' + cell(t.to[0], t.to[1]), ...lines]) {
    assert.ok(text.includes(part), 'tooltip has "' + part + '":\n' + text);
  }
  assert.equal(lines.length, 2);
  const table = await page.$$eval('#tooltip tbody tr', (trs) => trs.map((r) => r.innerText));
  [0, 2, 1].forEach((s, i) => assert.ok(table[i].startsWith('slot ' + s) && table[i].includes(slotHours(npc, s)) &&
    table[i].includes(cell(npc.slots[s].x, npc.slots[s].y)), table[i]));

  // Pinned by a click, it moves with the map and closes when its cell leaves.
  await page.mouse.click(...await cellPoint(page, t.to[0], t.to[1]));
  const pinned = await rect(page, '#tooltip');
  await page.$eval('#scroller', (e) => { e.scrollTop += 40; });
  await page.waitForFunction((y) => Math.abs(document.getElementById('tooltip').getBoundingClientRect().top - y + 40) < 2,
    {}, pinned.y);
  await page.$eval('#scroller', (e) => { e.scrollTop += 2000; });
  await page.waitForSelector('#tooltip', { hidden: true });
  await done(page);
});

test('a chosen character stays chosen across hours, floors and zoom, marked and in view; its day', async () => {
  // A character of the town on its ground floor at 13:00 whose day has
  // two cells on that floor.
  const c = ground.npcs.find((n, i) => ground.times['13'].npcs[i].fate === 'placed' &&
    [0, 1, 2].filter((s) => n.slots[s].floor === ground.floor).length >= 2);
  const i = ground.npcs.indexOf(c);
  const page = await open('#' + ground.stem + '/13/2', { view: LAPTOP });
  await page.click('#npcs button[data-index="' + c.index + '"]');
  const marked = async (map, time) => {
    const t = map.times[time].npcs[i];
    const where = t.fate === 'relocated' ? t.to : [t.x, t.y];
    const [x, y] = await cellPoint(page, ...where);
    const [box, area] = [await rect(page, '#marker'), await rect(page, '#scroller')];
    assert.ok(Math.abs(box.x + box.width / 2 - x) < 2 && Math.abs(box.y + box.height / 2 - y) < 2, 'marker at ' + where);
    assert.ok(box.x >= area.x && box.right <= area.right && box.y >= area.y && box.bottom <= area.bottom, 'in view');
  };
  await marked(ground, '13');
  assert.deepEqual(await page.$eval('#marker', (e) => [getComputedStyle(e).borderTopColor, getComputedStyle(e).boxShadow]),
    ['rgb(255, 255, 255)', 'rgb(0, 0, 0) 0px 0px 0px 2px, rgb(0, 0, 0) 0px 0px 0px 2px inset']);
  for (const key of ['.', '.', 'PageUp', 'PageDown', '1', ',']) {
    await page.keyboard.press(key);
    await page.waitForFunction(() => document.getElementById('map').dataset.shown);
    assert.equal((await state(page)).selected, hex2(c.index), 'after ' + key);
  }
  await shows(page, ground.stem, '14');
  await marked(ground, '14');
  // Its day: the cells of its slots on this floor with their hours, the
  // one in force marked; nothing until asked.
  assert.equal(await page.$eval('#day', (e) => e.hidden), true);
  await page.keyboard.press('y');
  const spots = await page.$$eval('.day-spot', (es) => es.map((e) => [e.dataset.cell, e.innerText, e.classList.contains('now')]));
  const now = ground.times['14'].npcs[i].slot;
  for (const s of [0, 1, 2].filter((n) => c.slots[n].floor === ground.floor)) {
    const spot = spots.find(([where]) => where === c.slots[s].x + ',' + c.slots[s].y);
    assert.ok(spot && spot[1].includes(slotHours(c, s)), 'slot ' + s + ' in ' + JSON.stringify(spots));
    if (s === now) assert.ok(spot[2], 'the slot in force is marked');
  }
  await page.keyboard.press('f');
  await shot(page, 'atlas-day');
  await page.keyboard.press('Escape');
  assert.equal((await state(page)).selected, null);
  await done(page);
});

test('the finder: by location, index and shape; choosing a line opens that map and time', async () => {
  const page = await open('#' + ground.stem + '/13/fit', { view: LAPTOP });
  await page.keyboard.press('/');
  assert.equal((await state(page)).focus, 'find');
  const everyone = atlas.locations.flatMap((l) => atlas.maps[l.maps[0]].npcs.map((npc) => ({ l, npc })));
  // A character of the town with a slot upstairs.
  const i = Math.max(0, ground.npcs.findIndex((n) => n.slots.some((p) => p.floor === upstairs.floor)));
  const c = ground.npcs[i];
  const search = async (text) => {
    await page.$eval('#find', (e) => { e.value = ''; });
    await page.type('#find', text);
    return page.$$eval('#found .hit', (hs) => hs.map((h) => h.innerText));
  };
  const name = town.name.slice(0, 4).toLowerCase();
  for (const [text, expected] of [[hex2(c.index), (n) => n.npc.index === c.index],
    ['[' + hex2(c.index).toLowerCase() + ']', (n) => n.npc.index === c.index],
    ['shape ' + hex2(c.shape), (n) => n.npc.shape === c.shape || n.npc.default.shape === c.shape],
    [name, (n) => n.l.name.toLowerCase().includes(name)]]) {
    assert.equal((await search(text)).length, Math.min(60, everyone.filter(expected).length), text);
  }
  const hit = (await search('[' + hex2(c.index) + ']')).find((h) => h.startsWith(town.name.replace(/_/g, ' ')));
  // Where it stands at 13:00, and each slot's hours, floor and cell.
  const there = town.maps.map((m) => atlas.maps[m]).find((m) => m.times['13'].npcs[i].fate !== 'other floor');
  const t = there.times['13'].npcs[i];
  assert.ok(hit.includes('now, 13:00: ' + there.floor_label + ' ' + cell(...(t.fate === 'relocated' ? t.to : [t.x, t.y]))), hit);
  for (const s of [0, 2, 1]) {
    const p = c.slots[s];
    assert.ok(hit.includes('slot ' + s + ' \u00b7 ' + slotHours(c, s) + ' \u00b7 ' + atlas.floor_labels[p.floor] + ' ' +
      cell(p.x, p.y)), hit);
  }
  await shot(page, 'atlas-finder');
  // A slot upstairs opens that floor at an hour of that slot, the
  // character chosen.
  const s = [0, 2, 1].find((n) => c.slots[n].floor === upstairs.floor);
  if (s !== undefined) {
    await page.evaluate((who, slot) => [...document.querySelectorAll('#found .hit')].find((h) => h.innerText.startsWith(who))
      .querySelectorAll('button').forEach((b) => { if (b.textContent.startsWith('slot ' + slot)) b.click(); }),
    town.name.replace(/_/g, ' '), s);
    await page.waitForFunction((stem) => document.getElementById('map').dataset.shown.startsWith(stem + '/'), {}, upstairs.stem);
    const time = (await page.$eval('#map', (m) => m.dataset.shown)).split('/')[1];
    assert.equal(upstairs.times[time].npcs[i].slot, s);
    assert.equal((await state(page)).selected, hex2(c.index));
  }
  // By keys: the first line of the first hit.
  await page.keyboard.press('/');
  await page.keyboard.press('ArrowDown');
  await page.keyboard.press('Enter');
  await page.waitForSelector('#found', { hidden: true });
  assert.equal((await state(page)).focus, 'map');
  await done(page);
});

test('the overview: every floor at this time as small pictures; choosing one opens it', async () => {
  const check = args.checks[0];
  const page = await open('#' + ground.stem + '/' + check.time + '/1', { view: LAPTOP });
  await page.keyboard.press('o');
  await page.waitForFunction(() => document.getElementById('overview').dataset.complete === 'true');
  assert.equal((await state(page)).hash, '#overview/towne/' + check.time);
  const towne = atlas.maps.filter((m) => m.category === 'towne');
  assert.equal(await page.$$eval('#overview-grid .thumb canvas', (cs) => cs.length), towne.length);
  await shot(page, 'atlas-overview');
  // Each is the picture at this time, scaled down: compare one with the
  // BMP, a quarter of each side, each pixel the mean of its square.
  const png = await page.$eval('.thumb[data-map="' + atlas.maps.indexOf(upstairs) + '"] canvas', (c) => c.toDataURL());
  const small = readPng(Buffer.from(png.split(',')[1], 'base64'));
  const bmp = readBmp(fs.readFileSync(path.join(check.bmps, bmpName(upstairs.stem, check.time))));
  let total = 0;
  for (let y = 0; y < small.height; y++) {
    for (let x = 0; x < small.width; x++) {
      for (let k = 0; k < 3; k++) {
        let sum = 0;
        for (let dy = 0; dy < 4; dy++) for (let dx = 0; dx < 4; dx++) sum += bmp.rgb[((4 * y + dy) * bmp.width + 4 * x + dx) * 3 + k];
        total += Math.abs(sum / 16 - small.rgb[(y * small.width + x) * 3 + k]);
      }
    }
  }
  const mean = total / (small.width * small.height * 3);
  assert.ok(mean < 12, 'mean difference from the BMP scaled down: ' + mean);
  // All 32 locations, within the bound on decoded pictures.
  await page.click('input[name="scope"][value="all"]');
  await page.waitForFunction(() => location.hash.startsWith('#overview/all/'));
  await page.waitForFunction(() => document.getElementById('overview').dataset.complete === 'true');
  assert.equal(await page.$$eval('#overview-grid .thumb canvas', (cs) => cs.length), atlas.maps.length);
  const stats = await page.evaluate(() => QZ.pictureStats());
  assert.ok(stats.decodedBytes <= stats.decodedBudget, JSON.stringify(stats));
  await page.click('.thumb[data-map="' + atlas.maps.indexOf(upstairs) + '"]');
  await shows(page, upstairs.stem, check.time, '1');
  await page.goBack();
  await page.waitForFunction(() => !document.getElementById('overview').hidden && location.hash.startsWith('#overview/all/'));
  await done(page);
});

test('the grid: cell coordinates in hex and decimal along the edges, on request', async () => {
  const page = await open('#' + ground.stem + '/13/1');
  assert.equal(await page.$eval('#ruler-top', (e) => e.hidden), true);
  await page.keyboard.press('g');
  const marks = await page.$$eval('#ruler-top .mark', (ms) => ms.map((m) => [m.innerText.replace(/\s+/g, ' '), m.offsetLeft]));
  assert.equal(marks.length, 32);
  assert.deepEqual(marks[26], ['1A 26', 26 * atlas.picture.tile_width]);
  const left = await page.$$eval('#ruler-left .mark', (ms) => ms.map((m) => [m.innerText.replace(/\s+/g, ' '), m.offsetTop]));
  assert.deepEqual(left[10], ['0A 10', 10 * atlas.picture.tile_height]);
  await page.keyboard.press('g');
  assert.equal(await page.$eval('#ruler-top', (e) => e.hidden), true);
  // Many views later the decoded pictures kept are still within bounds.
  for (let i = 0; i < 12; i++) await page.keyboard.press(i % 3 === 2 ? ']' : '.');
  await page.waitForFunction(() => document.getElementById('map').dataset.shown.endsWith('/' + QZ.view.time));
  const stats = await page.evaluate(() => QZ.pictureStats());
  assert.ok(stats.decodedBytes <= stats.decodedBudget && stats.fileCharacters <= stats.fileBudget, JSON.stringify(stats));
  await done(page);
});
