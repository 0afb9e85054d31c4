// The atlas page.  A classic script (the page also works opened straight
// from disk, where modules, fetch and reading image pixels are all blocked):
// the data comes from atlas-data.js as window.QZ_ATLAS, and each picture is
// a stack of <img> elements -- the whole map, then full-width bands laid
// over it at their pixel rows.
//
// The view (map, time, zoom) lives in the URL fragment, #STEM/TIME[/ZOOM],
// kept current with history.replaceState and read again on hashchange.
(function () {
  'use strict';

  const ZOOMS = ['1', '2', 'fit'];
  const DEFAULT_HOUR = '12';      // the renderer's own default hour
  const CACHE_LIMIT = 150;        // decoded pictures kept for quick stepping

  const $ = (id) => document.getElementById(id);
  const el = (tag, props, ...children) => {
    const node = document.createElement(tag);
    if (props) {
      for (const [key, value] of Object.entries(props)) {
        if (key === 'class') node.className = value;
        else if (key === 'text') node.textContent = value;
        else if (key in node && typeof value !== 'string') node[key] = value;
        else node.setAttribute(key, value);
      }
    }
    for (const child of children) {
      if (child !== null && child !== undefined) node.append(child);
    }
    return node;
  };

  const hex2 = (n) => n.toString(16).toUpperCase().padStart(2, '0');
  const pad2 = (n) => String(n).padStart(2, '0');
  const cellText = (x, y) => '(' + x + ', ' + y + ')';
  const displayName = (name) => name.replace(/_/g, ' ');
  const isNight = (time) => time !== 'default' && (Number(time) <= 4 || Number(time) >= 20);
  const timeText = (time) => (time === 'default' ? 'default places' : pad2(Number(time)) + ':00');
  const floorText = (code) => {
    if (code === 255) return 'B1F';
    if (code >= 0 && code <= 3) return (code + 1) + 'F';
    return 'floor code ' + code;
  };
  const floorOrder = (code) => (code === 255 ? -1 : code);

  // ---- the data ----

  const atlas = window.QZ_ATLAS;
  const notice = $('notice');

  function fail(message, kind) {
    notice.textContent = message;
    notice.dataset.kind = kind || 'view';
    notice.hidden = false;
  }

  if (!atlas || !Array.isArray(atlas.maps) || atlas.maps.length === 0) {
    fail('No atlas data: atlas-data.js is missing beside this page, or holds no maps.');
    return;
  }
  if (atlas.format !== 1) {
    fail('This atlas is in format ' + atlas.format + '; this page reads format 1.');
    return;
  }

  const pic = atlas.picture;
  const cols = Math.floor(pic.width / pic.tile_width);
  const rows = Math.floor(pic.height / pic.tile_height);
  const times = atlas.times;
  const mapByStem = new Map(atlas.maps.map((m, i) => [m.stem, i]));

  // The locations of each category in atlas order, and the maps (floors) of
  // each location from the lowest floor up.
  const categories = atlas.categories.map((name) => {
    const locations = [];
    atlas.maps.forEach((m, i) => {
      if (m.category !== name) return;
      let loc = locations.find((l) => l.location === m.location);
      if (!loc) {
        loc = { location: m.location, name: m.name, maps: [] };
        locations.push(loc);
      }
      loc.maps.push(i);
    });
    for (const loc of locations) {
      loc.maps.sort((a, b) => floorOrder(atlas.maps[a].floor) - floorOrder(atlas.maps[b].floor));
    }
    return { name, locations };
  });

  function placeOf(mapIndex) {
    const m = atlas.maps[mapIndex];
    const cat = categories.find((c) => c.name === m.category);
    const loc = cat.locations.find((l) => l.location === m.location);
    return { cat, loc };
  }

  // ---- the view and the fragment ----

  const firstMap = Math.max(0, atlas.maps.findIndex((m) => m.floor === 0));
  let view = { map: firstMap, time: DEFAULT_HOUR, zoom: '1' };

  function parseTime(text) {
    if (text === 'default') return 'default';
    if (!/^\d{1,2}$/.test(text) || Number(text) > 23) return null;
    return String(Number(text));
  }

  // Returns the view a fragment names, or a message saying what is wrong.
  function parseFragment(hash) {
    const parts = hash.replace(/^#/, '').split('/');
    if (parts[0] === '') return { view: null };
    let stem;
    try {
      stem = decodeURIComponent(parts[0]);
    } catch (e) {
      stem = parts[0];
    }
    if (!mapByStem.has(stem)) return { error: 'This atlas has no map "' + stem + '".' };
    const time = parts.length > 1 ? parseTime(parts[1]) : DEFAULT_HOUR;
    if (time === null) return { error: 'No time "' + parts[1] + '": use 0 to 23 or default.' };
    const zoom = parts.length > 2 && ZOOMS.includes(parts[2]) ? parts[2] : '1';
    return { view: { map: mapByStem.get(stem), time, zoom } };
  }

  function fragmentOf(v) {
    return '#' + encodeURIComponent(atlas.maps[v.map].stem) + '/' + v.time +
      (v.zoom === '1' ? '' : '/' + v.zoom);
  }

  // ---- controls ----

  function segment(name, value, label, extraClass) {
    const input = el('input', { type: 'radio', name, value });
    return el('label', { class: 'seg' + (extraClass ? ' ' + extraClass : '') }, input, el('span', { text: label }));
  }

  function fillCategories() {
    $('categories').replaceChildren(...categories.map((c) => segment('category', c.name, c.name)));
  }

  function fillHours() {
    const hours = times.map((t) => (t === 'default'
      ? segment('time', t, 'default places', 'seg-default')
      : segment('time', t, t, isNight(t) ? 'night' : '')));
    $('hours').replaceChildren(...hours);
    $('time-note').textContent = '(shaded: night)';
  }

  function fillZooms() {
    $('zooms').replaceChildren(...ZOOMS.map((z) => segment('zoom', z, z === 'fit' ? 'fit to window' : z + 'x')));
  }

  // Fills the location list and floor buttons for the view's map, and
  // checks the buttons of the view.  Keeps keyboard focus on the checked
  // button of a group whose choice changed under it.
  let filledFor = { cat: null, loc: null };
  function syncControls() {
    const m = atlas.maps[view.map];
    const { cat, loc } = placeOf(view.map);
    if (filledFor.cat !== cat) {
      $('location').replaceChildren(...cat.locations.map((l, i) =>
        el('option', { value: String(i), text: displayName(l.name) })));
    }
    if (filledFor.loc !== loc) {
      $('floors').replaceChildren(...loc.maps.map((i) =>
        segment('floor', String(i), floorText(atlas.maps[i].floor))));
    }
    filledFor = { cat, loc };
    $('location').value = String(cat.locations.indexOf(loc));
    const focused = document.activeElement;
    for (const [name, value] of [['category', m.category], ['floor', String(view.map)],
      ['time', view.time], ['zoom', view.zoom]]) {
      const input = document.querySelector('input[name="' + name + '"][value="' + CSS.escape(value) + '"]');
      if (!input) continue;
      input.checked = true;
      if (focused && focused.name === name && focused !== input) input.focus();
    }
  }

  // ---- pictures ----

  const cache = new Map();   // src -> Promise of a decoded detached <img>

  function preload(src) {
    let entry = cache.get(src);
    if (entry) {
      cache.delete(src);     // re-insert: the map's order is the age
      cache.set(src, entry);
      return entry;
    }
    const img = new Image();
    img.src = src;
    entry = img.decode().then(() => img);
    entry.catch(() => cache.delete(src));
    cache.set(src, entry);
    while (cache.size > CACHE_LIMIT) cache.delete(cache.keys().next().value);
    return entry;
  }

  function layersOf(mapIndex, time) {
    const picture = atlas.maps[mapIndex].times[time].picture;
    return [{ src: picture.base, y: 0, height: pic.height }]
      .concat(picture.bands.map((b) => ({ src: b.src, y: b.y, height: b.height })));
  }

  let shown = null;          // the view whose pictures are in the page
  let request = 0;

  // Loads and decodes every picture of the view before putting any of them
  // in the page, so the old picture stays until the new one is complete.
  function showPictures() {
    const token = ++request;
    const want = { map: view.map, time: view.time };
    const layers = layersOf(want.map, want.time);
    Promise.all(layers.map((l) => preload(l.src))).then(() => {
      const imgs = layers.map((l) => {
        const img = el('img', { src: l.src, alt: '', draggable: 'false' });
        img.dataset.y = String(l.y);
        img.dataset.height = String(l.height);
        return img;
      });
      return Promise.all(imgs.map((i) => i.decode())).then(() => imgs);
    }).then((imgs) => {
      if (token !== request) return;
      $('stack').replaceChildren(...imgs);
      const first = imgs[0];
      first.alt = describe(want.map, want.time);
      first.setAttribute('role', 'img');
      shown = want;
      if (notice.dataset.kind === 'picture') notice.hidden = true;
      applyZoom();
      showMapFacts();
      $('map').dataset.shown = atlas.maps[want.map].stem + '/' + want.time;
      preloadNeighbours();
    }, () => {
      if (token !== request) return;
      const missing = layers.map((l) => l.src).join(', ');
      console.error('atlas: could not load ' + missing);
      fail('A picture of this view could not be loaded (' + missing + '). Is the atlas folder complete?', 'picture');
    });
  }

  function preloadNeighbours() {
    const at = times.indexOf(shown.time);
    for (const step of [1, -1]) {
      const time = times[(at + step + times.length) % times.length];
      for (const l of layersOf(shown.map, time)) preload(l.src).catch(() => {});
    }
  }

  function describe(mapIndex, time) {
    const m = atlas.maps[mapIndex];
    return displayName(m.name) + ', ' + floorText(m.floor) + ', ' + timeText(time);
  }

  function scale() {
    if (view.zoom !== 'fit') return Number(view.zoom);
    const scroller = $('scroller');
    const style = getComputedStyle(scroller);
    const w = scroller.clientWidth - parseFloat(style.paddingLeft) - parseFloat(style.paddingRight);
    const h = scroller.clientHeight - parseFloat(style.paddingTop) - parseFloat(style.paddingBottom);
    return Math.max(1, Math.floor(Math.min(w / pic.width, h / pic.height)));
  }

  function applyZoom() {
    const s = scale();
    const map = $('map');
    map.style.width = pic.width * s + 'px';
    map.style.height = pic.height * s + 'px';
    for (const img of $('stack').children) {
      img.style.top = Number(img.dataset.y) * s + 'px';
      img.style.width = pic.width * s + 'px';
      img.style.height = Number(img.dataset.height) * s + 'px';
    }
    map.dataset.scale = String(s);
    placeBox($('cursor'), pointer.cell);
    placeBox($('marker'), selectedCell());
  }

  // ---- changing the view ----

  function setView(next) {
    const changedPicture = next.map !== view.map || next.time !== view.time;
    view = next;
    history.replaceState(null, '', fragmentOf(view));
    syncControls();
    if (changedPicture || !shown) {
      selected = null;
      showPictures();
    } else {
      applyZoom();
    }
  }

  function stepTime(step) {
    const at = times.indexOf(view.time);
    setView({ ...view, time: times[(at + step + times.length) % times.length] });
  }

  function chooseLocation(loc) {
    // Keep the floor when the new location has it, else take its ground floor.
    const floor = atlas.maps[view.map].floor;
    const same = loc.maps.find((i) => atlas.maps[i].floor === floor);
    const ground = loc.maps.find((i) => atlas.maps[i].floor === 0);
    setView({ ...view, map: same ?? ground ?? loc.maps[0] });
  }

  function stepLocation(step) {
    const { cat, loc } = placeOf(view.map);
    const at = cat.locations.indexOf(loc);
    chooseLocation(cat.locations[(at + step + cat.locations.length) % cat.locations.length]);
  }

  function stepFloor(step) {
    const { loc } = placeOf(view.map);
    const at = loc.maps.indexOf(view.map) + step;
    if (at >= 0 && at < loc.maps.length) setView({ ...view, map: loc.maps[at] });
  }

  // ---- what the map shows: cells and characters ----

  function entry() {
    return atlas.maps[shown.map].times[shown.time];
  }

  function drawnCell(t) {
    if (t.fate === 'placed') return [t.x, t.y];
    if (t.fate === 'relocated' && t.to) return t.to;
    return null;
  }

  function npcPairs() {
    const m = atlas.maps[shown.map];
    return entry().npcs.map((t, i) => ({ npc: m.npcs[i], t }));
  }

  // The placement report lines about one character: its "(x,y,floor) = ..."
  // line (those come in index order, one per character that missed its
  // cell) and its "[kk] ..." line.
  function linesFor(index) {
    const e = entry();
    const missed = e.npcs.filter((t) => t.fate === 'relocated' || t.fate === 'not placed');
    const first = e.lines.split('\n').filter((l) => l.startsWith('('));
    const out = [];
    const at = missed.findIndex((t) => t.index === index);
    if (at >= 0 && first.length === missed.length) out.push(first[at]);
    const tag = '[' + hex2(index) + ']';
    for (const line of e.lines.split('\n')) if (line.startsWith(tag)) out.push(line);
    return out;
  }

  function fateText(t, m) {
    switch (t.fate) {
      case 'placed':
        return 'stands at its cell ' + cellText(t.x, t.y);
      case 'relocated':
        return 'could not stand at ' + cellText(t.x, t.y) + ' (' + t.reason + '); moved to ' +
          cellText(t.to[0], t.to[1]);
      case 'not placed':
        return 'could not stand at ' + cellText(t.x, t.y) + ' (' + t.reason +
          ') and no neighbouring cell was free: not drawn';
      case 'other floor':
        return 'on ' + floorText(t.floor) + ' at ' + cellText(t.x, t.y) + ', not on this map (' + floorText(m.floor) + ')';
      case 'absent':
        return 'no character in this slot at this time (empty shape)';
      case 'not drawn':
        return 'characters are not drawn in this atlas (made with -n)';
      default:
        return t.fate;
    }
  }

  function hoursText(a, b) {
    return a === b ? 'never (' + pad2(a) + '-' + pad2(b) + ')' : pad2(a) + '-' + pad2(b);
  }

  function npcFacts(npc, t) {
    const m = atlas.maps[shown.map];
    const [h0, h1, h2, h3] = npc.hours;
    const atDefault = shown.time === 'default';
    const slotRow = (s, hours) => {
      const p = npc.slots[s];
      return el('tr', { class: t.slot === s && !atDefault ? 'now' : '' },
        el('td', { text: 'slot ' + s }), el('td', { text: hours }),
        el('td', { text: cellText(p.x, p.y) }), el('td', { text: floorText(p.floor) }),
        el('td', { text: String(p.mode) }));
    };
    const head = el('tr', null, ...['', 'hours', 'cell', 'floor', 'mode'].map((h) => el('th', { text: h })));
    const table = el('table', null, el('thead', null, head),
      el('tbody', null, slotRow(0, hoursText(h0, h1)), slotRow(2, hoursText(h2, h3)), slotRow(1, 'other hours')));
    const d = npc.default;
    const bad = t.fate === 'relocated' || t.fate === 'not placed';
    const at = atDefault ? 'At its default place' : 'At ' + timeText(shown.time) + ', slot ' + t.slot;
    const lines = linesFor(npc.index);
    return el('div', { class: 'npc-facts' },
      el('p', null, el('strong', { text: 'Character ' + npc.index + ' [' + hex2(npc.index) + ']' }),
        ', shape ' + t.shape + ' (hex ' + hex2(t.shape) + ')' +
        (t.tile !== null && t.tile !== undefined ? ', drawn as tile ' + t.tile + ' (hex ' + t.tile.toString(16).toUpperCase() + ')' : '')),
      table,
      el('p', { class: atDefault ? 'now' : 'muted' }, 'Default place: ' + cellText(d.x, d.y) + ' ' + floorText(d.floor) +
        ', shape ' + d.shape + ', hour ' + d.hour),
      el('p', { class: 'fate' + (bad ? ' bad' : '') }, at + ': ' + fateText(t, m) + '.'),
      lines.length ? el('pre', { class: 'lines', text: lines.join('\n') }) : null);
  }

  function cellFacts(x, y) {
    const m = atlas.maps[shown.map];
    const tile = m.tiles[y * cols + x];
    const parts = [el('p', null, el('strong', { text: 'Cell ' + cellText(x, y) }),
      ', tile ' + tile + ' (hex ' + hex2(tile) + ')')];
    const pairs = npcPairs();
    const here = pairs.find((p) => {
      const c = drawnCell(p.t);
      return c && c[0] === x && c[1] === y;
    });
    if (here) parts.push(npcFacts(here.npc, here.t));
    for (const p of pairs) {
      if (p === here || p.t.x !== x || p.t.y !== y) continue;
      if (p.t.fate === 'relocated' || p.t.fate === 'not placed') {
        parts.push(el('p', { class: 'muted' }, 'Character ' + p.npc.index + ' [' + hex2(p.npc.index) + '] was to stand here: ' + fateText(p.t, m) + '.'));
      }
    }
    return parts;
  }

  function showMapFacts() {
    const m = atlas.maps[shown.map];
    const e = entry();
    $('caption').replaceChildren(
      displayName(m.name) + ' \u00b7 ' + floorText(m.floor) + ' \u00b7 ' + timeText(shown.time),
      el('span', { class: 'sub', text: '   ' + m.category + ', ' +
        (shown.time === 'default' ? m.stem + '.bmp' : m.stem + '.' + pad2(Number(shown.time)) + '.bmp') +
        (isNight(shown.time) ? ', night' : '') }));
    document.title = describe(shown.map, shown.time) + ' \u2013 Map atlas';
    $('lines').textContent = e.lines === '' ? '(nothing to report: every character on this map stands at its cell)' : e.lines;

    const onMap = [];
    const elsewhere = [];
    for (const p of npcPairs()) {
      const c = drawnCell(p.t);
      const where = c ? cellText(c[0], c[1]) : p.t.fate;
      const label = el('span', null, el('span', { class: 'idx', text: '[' + hex2(p.npc.index) + ']' }),
        ' shape ' + hex2(p.t.shape) + ' \u00b7 ' + where + (p.t.fate === 'relocated' ? ' (moved)' : '') +
        (p.t.fate === 'other floor' ? ' ' + floorText(p.t.floor) : ''));
      const button = el('button', { type: 'button', 'aria-pressed': 'false' }, label);
      button.dataset.index = String(p.npc.index);
      const item = el('li', null, button);
      (p.t.fate === 'placed' || p.t.fate === 'relocated' || p.t.fate === 'not placed' ? onMap : elsewhere).push(item);
    }
    const list = [...onMap];
    if (elsewhere.length) {
      // Kept shut unless it was open: the characters elsewhere are many.
      const open = document.querySelector('#npcs details[open]') !== null;
      list.push(el('li', null, el('details', { open },
        el('summary', { text: elsewhere.length + ' not on this map' }), el('ul', { class: 'npcs' }, ...elsewhere))));
    }
    if (!list.length) list.push(el('li', { class: 'muted', text: 'No characters at this location.' }));
    $('npcs').replaceChildren(...list);
    $('npc-count').textContent = atlas.options && atlas.options.no_npcs
      ? '(not drawn: this atlas was made with -n)' : '(' + onMap.length + ' on this map)';
    refreshPointer();
  }

  // ---- pointing, tapping and the keyboard cursor ----

  const tooltip = $('tooltip');
  const info = $('info');
  // cell: the cell under the pointer or the keyboard cursor; pinned: a tap
  // or click fixed the tooltip there; keyboard: the cursor came from keys.
  const pointer = { cell: null, pinned: false, keyboard: false, clientX: 0, clientY: 0 };
  let selected = null;       // index of the character chosen in the list

  function placeBox(box, cell) {
    if (!cell) {
      box.hidden = true;
      return;
    }
    const s = Number($('map').dataset.scale || 1);
    box.style.left = cell[0] * pic.tile_width * s + 'px';
    box.style.top = cell[1] * pic.tile_height * s + 'px';
    box.style.width = pic.tile_width * s + 'px';
    box.style.height = pic.tile_height * s + 'px';
    box.hidden = false;
  }

  function cellAt(clientX, clientY) {
    const r = $('map').getBoundingClientRect();
    const s = Number($('map').dataset.scale || 1);
    const x = Math.floor((clientX - r.left) / (pic.tile_width * s));
    const y = Math.floor((clientY - r.top) / (pic.tile_height * s));
    return x >= 0 && y >= 0 && x < cols && y < rows ? [x, y] : null;
  }

  function showTooltip(anchor) {
    const facts = cellFacts(pointer.cell[0], pointer.cell[1]);
    tooltip.replaceChildren(...facts);
    tooltip.hidden = false;
    const tw = tooltip.offsetWidth;
    const th = tooltip.offsetHeight;
    const vw = document.documentElement.clientWidth;
    const vh = document.documentElement.clientHeight;
    let left = anchor.right + 12;
    if (left + tw > vw - 4) left = Math.max(4, anchor.left - tw - 12);
    let top = anchor.top;
    if (top + th > vh - 4) top = Math.max(4, vh - th - 4);
    tooltip.style.left = left + 'px';
    tooltip.style.top = top + 'px';
  }

  function cellRect(cell) {
    const r = $('map').getBoundingClientRect();
    const s = Number($('map').dataset.scale || 1);
    const left = r.left + cell[0] * pic.tile_width * s;
    const top = r.top + cell[1] * pic.tile_height * s;
    return { left, top, right: left + pic.tile_width * s, bottom: top + pic.tile_height * s };
  }

  function refreshPointer() {
    if (!shown) return;
    placeBox($('cursor'), pointer.cell);
    placeBox($('marker'), selectedCell());
    if (!pointer.cell) {
      tooltip.hidden = true;
      if (selected === null) {
        info.replaceChildren(el('p', { class: 'muted', text: 'Point at a cell or a character, or focus the map and use the arrow keys.' }));
      }
      return;
    }
    info.replaceChildren(...cellFacts(pointer.cell[0], pointer.cell[1]));
    if (pointer.pinned || pointer.keyboard) {
      showTooltip(cellRect(pointer.cell));
    } else {
      const x = pointer.clientX;
      const y = pointer.clientY;
      showTooltip({ left: x - 8, right: x + 8, top: y + 8, bottom: y + 8 });
    }
  }

  function clearPointer() {
    pointer.cell = null;
    pointer.pinned = false;
    pointer.keyboard = false;
    refreshPointer();
  }

  function selectedCell() {
    if (selected === null || !shown) return null;
    const p = npcPairs().find((q) => q.npc.index === selected);
    if (!p) return null;
    return drawnCell(p.t) || (p.t.fate === 'not placed' ? [p.t.x, p.t.y] : null);
  }

  function selectNpc(index, keep) {
    selected = index;
    for (const b of $('npcs').querySelectorAll('button')) {
      b.setAttribute('aria-pressed', String(keep && Number(b.dataset.index) === index));
    }
    placeBox($('marker'), selectedCell());
    if (index === null) return;
    const p = npcPairs().find((q) => q.npc.index === index);
    if (p) info.replaceChildren(npcFacts(p.npc, p.t));
  }

  const map = $('map');
  let pointerDown = false;

  map.addEventListener('pointermove', (e) => {
    if (!shown || pointer.pinned || e.pointerType === 'touch') return;
    pointer.keyboard = false;
    pointer.clientX = e.clientX;
    pointer.clientY = e.clientY;
    const cell = cellAt(e.clientX, e.clientY);
    if (cell && pointer.cell && cell[0] === pointer.cell[0] && cell[1] === pointer.cell[1]) {
      refreshPointer();
      return;
    }
    pointer.cell = cell;
    refreshPointer();
  });

  map.addEventListener('pointerleave', () => {
    if (!pointer.pinned && !pointer.keyboard) clearPointer();
  });

  map.addEventListener('pointerdown', () => { pointerDown = true; });

  // A tap or a click pins the tooltip to the cell; another on the same cell
  // lets it go.
  map.addEventListener('click', (e) => {
    pointerDown = false;
    if (!shown) return;
    const cell = cellAt(e.clientX, e.clientY);
    if (!cell) return;
    const same = pointer.pinned && pointer.cell && pointer.cell[0] === cell[0] && pointer.cell[1] === cell[1];
    pointer.cell = cell;
    pointer.pinned = !same;
    pointer.keyboard = false;
    pointer.clientX = e.clientX;
    pointer.clientY = e.clientY;
    refreshPointer();
  });

  map.addEventListener('focus', () => {
    // Focus from the keyboard puts the cursor on the map at once.
    if (pointerDown || !shown) return;
    pointer.keyboard = true;
    pointer.pinned = false;
    pointer.cell = pointer.cell || selectedCell() || [0, 0];
    refreshPointer();
  });

  map.addEventListener('blur', () => {
    pointerDown = false;
    if (pointer.keyboard) clearPointer();
  });

  map.addEventListener('keydown', (e) => {
    const moves = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] };
    const move = moves[e.key];
    if (!move || e.altKey || e.ctrlKey || e.metaKey || !shown) return;
    e.preventDefault();
    const from = pointer.cell || [0, 0];
    const step = e.shiftKey ? 4 : 1;
    pointer.cell = [Math.min(cols - 1, Math.max(0, from[0] + move[0] * step)),
      Math.min(rows - 1, Math.max(0, from[1] + move[1] * step))];
    pointer.keyboard = true;
    pointer.pinned = false;
    refreshPointer();
    $('cursor').scrollIntoView({ block: 'nearest', inline: 'nearest' });
    if (!tooltip.hidden) showTooltip(cellRect(pointer.cell));
  });

  // Clicks outside the map let a pinned tooltip go.
  document.addEventListener('click', (e) => {
    if (pointer.pinned && !map.contains(e.target)) clearPointer();
  });

  const list = $('npcs');
  const listTarget = (e) => {
    const b = e.target.closest('button');
    return b && list.contains(b) ? Number(b.dataset.index) : null;
  };
  list.addEventListener('click', (e) => {
    const index = listTarget(e);
    if (index === null) return;
    const button = e.target.closest('button');
    const on = button.getAttribute('aria-pressed') !== 'true';
    selectNpc(on ? index : null, on);
    if (!on) refreshPointer();
  });
  list.addEventListener('focusin', (e) => {
    const index = listTarget(e);
    if (index !== null) selectNpc(index, list.querySelector('[aria-pressed="true"]') !== null && selected === index);
  });
  list.addEventListener('pointerover', (e) => {
    const index = listTarget(e);
    if (index !== null && list.querySelector('[aria-pressed="true"]') === null) selectNpc(index, false);
  });
  list.addEventListener('pointerleave', () => {
    if (list.querySelector('[aria-pressed="true"]') === null) {
      selectNpc(null, false);
      refreshPointer();
    }
  });

  // ---- control events and keys ----

  document.addEventListener('change', (e) => {
    const t = e.target;
    if (t.name === 'category') {
      const cat = categories.find((c) => c.name === t.value);
      if (cat) chooseLocation(cat.locations[0]);
    } else if (t.name === 'floor') {
      setView({ ...view, map: Number(t.value) });
    } else if (t.name === 'time') {
      setView({ ...view, time: t.value });
    } else if (t.name === 'zoom') {
      setView({ ...view, zoom: t.value });
    } else if (t.id === 'location') {
      chooseLocation(placeOf(view.map).cat.locations[Number(t.value)]);
    }
  });

  $('location-prev').addEventListener('click', () => stepLocation(-1));
  $('location-next').addEventListener('click', () => stepLocation(1));

  document.addEventListener('keydown', (e) => {
    if (e.defaultPrevented || e.altKey || e.ctrlKey || e.metaKey) return;
    const target = e.target;
    if (target.tagName === 'SELECT' || target.tagName === 'TEXTAREA' ||
        (target.tagName === 'INPUT' && target.type !== 'radio')) return;
    const actions = {
      ',': () => stepTime(-1),
      '<': () => stepTime(-1),
      '.': () => stepTime(1),
      '>': () => stepTime(1),
      d: () => setView({ ...view, time: 'default' }),
      D: () => setView({ ...view, time: 'default' }),
      '[': () => stepLocation(-1),
      ']': () => stepLocation(1),
      PageUp: () => stepFloor(1),
      PageDown: () => stepFloor(-1),
      1: () => setView({ ...view, zoom: '1' }),
      2: () => setView({ ...view, zoom: '2' }),
      f: () => setView({ ...view, zoom: 'fit' }),
      F: () => setView({ ...view, zoom: 'fit' }),
      Escape: () => {
        clearPointer();
        selectNpc(null, false);
      },
    };
    const action = actions[e.key];
    if (!action) return;
    e.preventDefault();
    action();
  });

  window.addEventListener('hashchange', () => {
    const parsed = parseFragment(location.hash);
    if (parsed.error) {
      fail(parsed.error);
    } else if (parsed.view) {
      setView(parsed.view);
    }
  });

  window.addEventListener('resize', () => {
    if (view.zoom === 'fit' && shown) applyZoom();
  });

  // ---- start ----

  fillCategories();
  fillHours();
  fillZooms();
  const start = parseFragment(location.hash);
  if (start.view) view = start.view;
  setView(view);
  if (start.error) fail(start.error);
})();
