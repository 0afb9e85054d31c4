// The atlas page in headless Chromium, timed and weighed:
//
//   node page_bench.js ATLAS [REPETITIONS]
//
// - overview open from disk: a new browser each time opens
//   index.html#overview/SCOPE/12 at 1366 x 768 and waits for the small
//   pictures on screen, then for all of them; the times from the start of
//   navigation (performance.now() in the page);
// - key to picture: the time from a key's keydown to the first frame
//   after the new picture is drawn, for hour steps (the next hour is
//   decoded ahead) and for location steps (a picture file to load and
//   decode), each the median and the 90th percentile of 40 steps;
// - memory after 10 and after 100 views (each a map and hour not seen
//   just before, reached through the address): the sum of Pss of the
//   renderer and GPU processes (their PIDs from CDP
//   SystemInfo.getProcessInfo, Pss from /proc/PID/smaps_rollup) after a
//   garbage collection.
'use strict';

const fs = require('fs');
const os = require('os');
const path = require('path');
const puppeteer = require('puppeteer-core');

const atlasDir = path.resolve(process.argv[2] || '');
const repetitions = Number(process.argv[3] || 5);
const atlas = JSON.parse(fs.readFileSync(path.join(atlasDir, 'atlas.json'), 'utf8'));
const url = 'file://' + atlasDir + '/index.html';

async function launch() {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'qz-page-bench-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.QZ_CHROMIUM || '/usr/bin/chromium', headless: true, userDataDir: profile,
    args: [...(process.getuid && process.getuid() === 0 ? ['--no-sandbox'] : []), '--headless', '--disable-gpu',
      '--no-first-run', '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--force-color-profile=srgb'],
  });
  browser.profile = profile;
  return browser;
}

async function close(browser) {
  await browser.close();
  fs.rmSync(browser.profile, { recursive: true, force: true });
}

const median = (v) => {
  const s = [...v].sort((a, b) => a - b);
  return s.length % 2 ? s[(s.length - 1) / 2] : (s[s.length / 2 - 1] + s[s.length / 2]) / 2;
};
const percentile = (v, p) => [...v].sort((a, b) => a - b)[Math.min(v.length - 1, Math.floor(v.length * p))];

// From the start of navigation until the small pictures on screen are
// drawn, and until all of them are.
async function overviewOpen(scope) {
  const shown = [];
  const complete = [];
  for (let i = 0; i < repetitions; i++) {
    const browser = await launch();
    const page = await browser.newPage();
    await page.setViewport({ width: 1366, height: 768 });
    await page.goto(url + '#overview/' + scope + '/12');
    await page.waitForFunction(() => document.getElementById('overview').dataset.shown === 'true', { timeout: 60000, polling: 'mutation' });
    shown.push(await page.evaluate(() => performance.now()));
    await page.waitForFunction(() => document.getElementById('overview').dataset.complete === 'true', { timeout: 60000, polling: 'mutation' });
    complete.push(await page.evaluate(() => performance.now()));
    await close(browser);
  }
  return { shown, complete };
}

// Times from keydown to the frame after the picture is drawn.
async function keyToPicture(page, key, steps) {
  await page.evaluate(() => {
    window.qzTimes = [];
    window.addEventListener('keydown', () => { window.qzPressed = performance.now(); }, true);
    QZ.on('picture', () => requestAnimationFrame(() => window.qzTimes.push(performance.now() - window.qzPressed)));
  });
  const times = [];
  for (let i = 0; i < steps; i++) {
    const before = await page.evaluate(() => window.qzTimes.length);
    await page.keyboard.press(key);
    await page.waitForFunction((n) => window.qzTimes.length > n, {}, before);
    times.push(await page.evaluate(() => window.qzTimes[window.qzTimes.length - 1]));
  }
  return times;
}

async function pss(browser, page) {
  const session = await page.createCDPSession();
  await session.send('HeapProfiler.collectGarbage');
  await new Promise((r) => setTimeout(r, 1000));
  await session.send('HeapProfiler.collectGarbage');
  const browserSession = await browser.target().createCDPSession();
  const { processInfo } = await browserSession.send('SystemInfo.getProcessInfo');
  const kib = { renderer: 0, GPU: 0 };
  for (const p of processInfo.filter((q) => q.type === 'renderer' || q.type === 'GPU')) {
    const text = fs.readFileSync('/proc/' + p.id + '/smaps_rollup', 'utf8');
    kib[p.type] += Number(/^Pss:\s+(\d+) kB/m.exec(text)[1]);
  }
  return { total: (kib.renderer + kib.GPU) / 1024, renderer: kib.renderer / 1024, gpu: kib.GPU / 1024 };
}

async function memory() {
  const browser = await launch();
  const page = await browser.newPage();
  await page.setViewport({ width: 1366, height: 768 });
  await page.goto(url + '#' + atlas.maps[0].stem + '/12/1');
  await page.waitForFunction(() => document.getElementById('map').dataset.shown);
  const figures = {};
  for (let view = 1; view <= 100; view++) {
    const map = atlas.maps[(view * 7) % atlas.maps.length];
    const time = atlas.times[(view * 5) % atlas.times.length];
    await page.evaluate((f) => { location.hash = f; }, '#' + map.stem + '/' + time + '/1');
    await page.waitForFunction((w) => document.getElementById('map').dataset.shown === w, { timeout: 20000 }, map.stem + '/' + time);
    if (view === 10 || view === 100) {
      figures[view] = await pss(browser, page);
      figures['kept' + view] = await page.evaluate(() => QZ.pictureStats());
    }
  }
  await close(browser);
  return figures;
}

(async () => {
  const line = (label, v) => console.log(label.padEnd(44) + ' ' + v.map((x) => x.toFixed(0)).join(' ') +
    '  (median ' + median(v).toFixed(0) + ' ms)');
  console.log('page of ' + atlasDir + ' (' + atlas.maps.length + ' maps, ' + atlas.pieces.length + ' pieces)');
  for (const [scope, label] of [['all', 'all ' + atlas.locations.length + ' locations'], ['towne', 'the townes']]) {
    const times = await overviewOpen(scope);
    line('overview of ' + label + ', on screen, ms', times.shown);
    line('overview of ' + label + ', every picture, ms', times.complete);
  }

  const browser = await launch();
  const page = await browser.newPage();
  await page.setViewport({ width: 1366, height: 768 });
  const town = atlas.maps.find((m) => m.category === 'towne');
  await page.goto(url + '#' + town.stem + '/0/1');
  await page.waitForFunction(() => document.getElementById('map').dataset.shown);
  const hours = await keyToPicture(page, '.', 40);
  const places = await keyToPicture(page, ']', 40);
  await close(browser);
  const key = (label, v) => console.log(label.padEnd(44) + ' median ' + median(v).toFixed(1) + ' ms, 90% ' +
    percentile(v, 0.9).toFixed(1) + ' ms, most ' + Math.max(...v).toFixed(1) + ' ms');
  key('key to picture, next hour (.)', hours);
  key('key to picture, next location (])', places);

  const m = await memory();
  for (const n of [10, 100]) {
    const kept = m['kept' + n];
    console.log(('memory after ' + n + ' views').padEnd(44) + ' ' + m[n].total.toFixed(1) + ' MiB (renderers ' +
      m[n].renderer.toFixed(1) + ', GPU ' + m[n].gpu.toFixed(1) + '; decoded pictures kept ' +
      (kept.decodedBytes / 1048576).toFixed(1) + ' MiB, picture files\' text ' + (kept.fileCharacters / 1048576).toFixed(1) + ' Mi)');
  }
  console.log('growth from 10 to 100 views'.padEnd(44) + ' ' + (m[100].total - m[10].total).toFixed(1) + ' MiB');
})().catch((e) => {
  console.error(e);
  process.exit(1);
});
