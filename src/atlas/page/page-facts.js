// The atlas page, part 3 of 5: facts and tooltips.
//
// What the shown picture holds: a cell's tile and the character drawn on
// it with its whole schedule and what became of it at this time; the list
// of the location's characters; the chosen character (kept across hours,
// floors and zoom, marked on the map in two colours, its day drawn on
// request); the grid's coordinates.  Pointing at a cell shows a tooltip;
// a click pins it to the cell, which it then follows; on a narrow window a
// tap opens the facts in a sheet along the bottom edge instead.  All of it
// is read from atlas.json's facts: nothing here recomputes a placement.
(function (QZ) {
  'use strict';

  if (!QZ.ready) return;
  const { $, el, atlas, hex2, pad2, cellText } = QZ;
  const pic = atlas.picture;
  const cols = Math.floor(pic.width / pic.tile_width);
  const rows = Math.floor(pic.height / pic.tile_height);

  QZ.narrow = () => window.matchMedia('(max-width: 600px)').matches;

  // ---- the facts ----

  const entryOf = (map, time) => atlas.maps[map].times[time];

  // The location's characters on a map at a time: { npc, t } with t what
  // became of it there.
  QZ.pairsOf = (map, time) => {
    const m = atlas.maps[map];
    const outcomes = entryOf(map, time).npcs;
    return m.npcs.map((npc, i) => ({ npc, t: outcomes[i] }));
  };

  // The cell a character is drawn on, or null.
  QZ.drawnCell = (t) => {
    if (t.fate === 'placed') return [t.x, t.y];
    if (t.fate === 'relocated') return t.to;
    return null;
  };
  // Where to mark it: where it is drawn, or the cell it could not take.
  const markedCell = (t) => QZ.drawnCell(t) || (t.fate === 'not placed' ? [t.x, t.y] : null);

  QZ.fateText = (t, floor) => {
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
        return 'on ' + QZ.floorText(t.floor) + ' at ' + cellText(t.x, t.y) + ', not on this map (' +
          QZ.floorText(floor) + ')';
      case 'absent':
        return 'no character in this slot at this time (empty shape)';
      case 'not drawn':
        return 'characters are not drawn in this atlas (made with -n)';
      default:
        return t.fate;
    }
  };

  // The hours of a schedule slot, as the placement lines print them.
  QZ.slotHours = (npc, slot) => {
    if (slot === 1) return 'other hours';
    const [a, b] = slot === 0 ? npc.hours.slice(0, 2) : npc.hours.slice(2, 4);
    return a === b ? 'never (' + pad2(a) + '-' + pad2(b) + ')' : pad2(a) + '-' + pad2(b);
  };
  QZ.SLOT_ORDER = [0, 2, 1];

  // The placement lines about one character.
  function linesAbout(map, time, index) {
    const e = entryOf(map, time);
    const lines = e.lines.split('\n');
    return e.line_npcs.map((k, i) => (k === index ? lines[i] : null)).filter((l) => l !== null);
  }

  function npcFacts(map, time, npc, t) {
    const atDefault = time === 'default';
    const slotRow = (s) => {
      const p = npc.slots[s];
      return el('tr', { class: t.slot === s && !atDefault ? 'now' : '' },
        el('td', { text: 'slot ' + s }), el('td', { text: QZ.slotHours(npc, s) }),
        el('td', { text: cellText(p.x, p.y) }), el('td', { text: QZ.floorText(p.floor) }),
        el('td', { text: String(p.mode) }));
    };
    const head = el('tr', null, ...['', 'hours', 'cell', 'floor', 'mode'].map((h) => el('th', { text: h })));
    const d = npc.default;
    const bad = t.fate === 'relocated' || t.fate === 'not placed';
    const at = atDefault ? 'At its default place' : 'At ' + QZ.timeText(time) + ', slot ' + t.slot;
    const lines = linesAbout(map, time, npc.index);
    const drawnAs = t.tile !== null && t.tile !== undefined
      ? ', drawn as tile ' + t.tile + ' (hex ' + t.tile.toString(16).toUpperCase() + ')' : '';
    return el('div', { class: 'npc-facts' },
      el('p', null, el('strong', { text: 'Character ' + npc.index + ' [' + hex2(npc.index) + ']' }),
        ', shape ' + t.shape + ' (hex ' + hex2(t.shape) + ')' + drawnAs),
      el('table', null, el('thead', null, head), el('tbody', null, ...QZ.SLOT_ORDER.map(slotRow))),
      el('p', { class: atDefault ? 'now' : 'muted' }, 'Default place: ' + cellText(d.x, d.y) + ' ' +
        QZ.floorText(d.floor) + ', shape ' + d.shape + ', hour ' + d.hour),
      el('p', { class: 'fate' + (bad ? ' bad' : '') }, at + ': ' + QZ.fateText(t, atlas.maps[map].floor) + '.'),
      lines.length ? el('pre', { class: 'lines', text: lines.join('\n') }) : null);
  }

  function cellFacts(map, time, x, y) {
    const tile = atlas.maps[map].tiles[y * cols + x];
    const parts = [el('p', null, el('strong', { text: 'Cell ' + cellText(x, y) }),
      ', tile ' + tile + ' (hex ' + hex2(tile) + ')')];
    const pairs = QZ.pairsOf(map, time);
    const here = pairs.find((p) => {
      const c = QZ.drawnCell(p.t);
      return c && c[0] === x && c[1] === y;
    });
    if (here) parts.push(npcFacts(map, time, here.npc, here.t));
    for (const p of pairs) {
      if (p === here || p.t.x !== x || p.t.y !== y) continue;
      if (p.t.fate === 'relocated' || p.t.fate === 'not placed') {
        parts.push(el('p', { class: 'muted' }, 'Character ' + p.npc.index + ' [' + hex2(p.npc.index) +
          '] was to stand here: ' + QZ.fateText(p.t, atlas.maps[map].floor) + '.'));
      }
    }
    return parts;
  }

  // ---- boxes on the map ----

  const mapBox = $('map');
  const scroller = $('scroller');
  const scaleNow = () => Number(mapBox.dataset.scale || 1);

  function placeBox(box, cell) {
    if (!cell) {
      box.hidden = true;
      return;
    }
    const s = scaleNow();
    box.style.left = cell[0] * pic.tile_width * s + 'px';
    box.style.top = cell[1] * pic.tile_height * s + 'px';
    box.style.width = pic.tile_width * s + 'px';
    box.style.height = pic.tile_height * s + 'px';
    box.hidden = false;
  }

  function cellAt(clientX, clientY) {
    const r = mapBox.getBoundingClientRect();
    const s = scaleNow();
    const x = Math.floor((clientX - r.left) / (pic.tile_width * s));
    const y = Math.floor((clientY - r.top) / (pic.tile_height * s));
    return x >= 0 && y >= 0 && x < cols && y < rows ? [x, y] : null;
  }

  function cellRect(cell) {
    const r = mapBox.getBoundingClientRect();
    const s = scaleNow();
    const left = r.left + cell[0] * pic.tile_width * s;
    const top = r.top + cell[1] * pic.tile_height * s;
    return { left, top, right: left + pic.tile_width * s, bottom: top + pic.tile_height * s };
  }

  // Whether the cell can be seen in the map area.
  function cellSeen(cell) {
    const c = cellRect(cell);
    const a = scroller.getBoundingClientRect();
    const bottom = Math.min(a.top + scroller.clientHeight, window.innerHeight);
    return c.right > a.left && c.left < a.left + scroller.clientWidth && c.bottom > Math.max(a.top, 0) && c.top < bottom;
  }

  // Scrolls the map area so that the cell shows, as little as needed.
  function scrollToCell(cell) {
    const c = cellRect(cell);
    const a = scroller.getBoundingClientRect();
    const margin = 8;
    let dx = 0;
    let dy = 0;
    if (c.left < a.left + margin) dx = c.left - a.left - margin;
    else if (c.right > a.left + scroller.clientWidth - margin) dx = c.right - a.left - scroller.clientWidth + margin;
    if (c.top < a.top + margin) dy = c.top - a.top - margin;
    else if (c.bottom > a.top + scroller.clientHeight - margin) dy = c.bottom - a.top - scroller.clientHeight + margin;
    if (dx || dy) scroller.scrollBy(dx, dy);
  }

  // ---- the chosen character ----

  // { location, index }: kept across hours, floors and zoom; let go when
  // the view moves to another location.
  QZ.selection = null;
  let preview = null;   // the index of a character pointed at in the list
  let dayShown = false;

  function chosenPair() {
    const shown = QZ.shown();
    if (!QZ.selection || !shown || QZ.locationOf(shown.map) !== QZ.selection.location) return null;
    return QZ.pairsOf(shown.map, shown.time).find((p) => p.npc.index === QZ.selection.index) || null;
  }

  function placeMarker() {
    const shown = QZ.shown();
    const marker = $('marker');
    const index = preview !== null ? preview : QZ.selection && chosenPair() ? QZ.selection.index : null;
    const pair = shown && index !== null ? QZ.pairsOf(shown.map, shown.time).find((p) => p.npc.index === index) : null;
    const cell = pair ? markedCell(pair.t) : null;
    placeBox(marker, cell);
    marker.classList.toggle('preview', preview !== null);
    $('marker-tag').textContent = pair ? '[' + hex2(pair.npc.index) + ']' : '';
    return cell;
  }

  // Chooses character `index` of the shown location (null: none).
  QZ.select = (index, { scroll = true } = {}) => {
    const shown = QZ.shown();
    QZ.selection = index === null || !shown ? null : { location: QZ.locationOf(shown.map), index };
    if (!QZ.selection) dayShown = false;
    showChosen(scroll);
  };

  function showChosen(scroll) {
    mapBox.dataset.selected = QZ.selection ? hex2(QZ.selection.index) : '';
    for (const b of $('npcs').querySelectorAll('button[data-index]')) {
      b.setAttribute('aria-pressed', String(!!QZ.selection && Number(b.dataset.index) === QZ.selection.index));
    }
    const cell = placeMarker();
    if (scroll && cell && preview === null && !cellSeen(cell)) scrollToCell(cell);
    drawDay();
    fillInfo();
  }

  QZ.toggleDay = () => {
    if (!chosenPair()) return;
    dayShown = !dayShown;
    drawDay();
    fillInfo();
  };

  // The chosen character's day on this map: the cells of its slots on this
  // floor (and its default place), each with its hours; the one in force
  // at this time marked.
  function drawDay() {
    const day = $('day');
    const shown = QZ.shown();
    const pair = chosenPair();
    if (!dayShown || !pair || !shown) {
      day.hidden = true;
      day.replaceChildren();
      return;
    }
    const floor = atlas.maps[shown.map].floor;
    const atDefault = shown.time === 'default';
    const spots = new Map();  // "x,y" -> { cell, labels, now }
    const add = (x, y, label, now) => {
      const key = x + ',' + y;
      const spot = spots.get(key) || { cell: [x, y], labels: [], now: false };
      spot.labels.push(label);
      spot.now = spot.now || now;
      spots.set(key, spot);
    };
    for (const s of QZ.SLOT_ORDER) {
      const p = pair.npc.slots[s];
      if (p.floor === floor && p.x < cols && p.y < rows) add(p.x, p.y, QZ.slotHours(pair.npc, s), !atDefault && pair.t.slot === s);
    }
    const d = pair.npc.default;
    if (d.floor === floor && d.x < cols && d.y < rows) add(d.x, d.y, 'default', atDefault);
    const s = scaleNow();
    day.replaceChildren(...[...spots.values()].map((spot) => {
      const edge = spot.cell[0] < 4 ? ' near-left' : spot.cell[0] >= cols - 4 ? ' near-right' : '';
      const box = el('div', { class: 'day-spot' + (spot.now ? ' now' : '') + edge },
        el('span', { class: 'day-label', text: spot.labels.join(' \u00b7 ') + (spot.now ? ' (now)' : '') }));
      box.style.left = spot.cell[0] * pic.tile_width * s + 'px';
      box.style.top = spot.cell[1] * pic.tile_height * s + 'px';
      box.style.width = pic.tile_width * s + 'px';
      box.style.height = pic.tile_height * s + 'px';
      box.dataset.cell = spot.cell.join(',');
      return box;
    }));
    day.hidden = false;
  }

  // ---- the panels ----

  const info = $('info');
  const chosen = $('chosen');

  // The chosen character's card, over a corner of the map area; and, for
  // screen readers, what the keyboard cursor is on.
  function fillInfo() {
    const shown = QZ.shown();
    if (!shown) return;
    const cursorText = $('cursor-text');
    if (pointer.keyboard && pointer.cell) {
      cursorText.textContent = cellFacts(shown.map, shown.time, pointer.cell[0], pointer.cell[1])
        .map((e) => e.textContent).join(' ');
    }
    const pair = chosenPair();
    chosen.hidden = !pair;
    if (!pair) {
      info.replaceChildren();
      return;
    }
    const actions = el('div', { class: 'info-actions' });
    if (markedCell(pair.t)) {
      actions.append(el('button', { type: 'button', class: 'tool', id: 'day-button', 'aria-pressed': String(dayShown),
        data: { key: 'day' },
        title: 'Its slots on this map, with their hours ( Y )', text: 'Its day on the map' }));
    }
    if (pair.t.fate === 'other floor') {
      const there = QZ.mapOnFloor(QZ.selection.location, pair.t.floor);
      if (there !== undefined) {
        actions.append(el('button', { type: 'button', class: 'tool', id: 'follow-button', data: { map: String(there), key: 'follow' },
          text: 'Go to ' + atlas.maps[there].floor_label }));
      }
    }
    QZ.keepFocus(info, () => info.replaceChildren(npcFacts(shown.map, shown.time, pair.npc, pair.t),
      actions.children.length ? actions : null), () => $('chosen-close'));
  }

  $('chosen-close').addEventListener('click', () => QZ.select(null));

  info.addEventListener('click', (e) => {
    const button = e.target.closest('button');
    if (!button) return;
    if (button.id === 'day-button') QZ.toggleDay();
    if (button.id === 'follow-button') QZ.go({ map: Number(button.dataset.map) }, { history: 'push' });
  });

  // Re-renders `container` with `fill`, keeping keyboard focus on the
  // element with the same data-key, else on `fallback()`.
  QZ.keepFocus = (container, fill, fallback) => {
    const active = document.activeElement;
    const had = active && active !== container && container.contains(active);
    const key = had ? active.dataset.key : null;
    fill();
    if (!had || container.contains(active)) return;
    const same = key ? container.querySelector('[data-key="' + CSS.escape(key) + '"]') : null;
    const target = same || (fallback && fallback());
    if (target) target.focus({ preventScroll: true });
  };

  function fillList() {
    const shown = QZ.shown();
    const onMap = [];
    const elsewhere = [];
    for (const p of QZ.pairsOf(shown.map, shown.time)) {
      const c = QZ.drawnCell(p.t);
      const where = c ? cellText(c[0], c[1]) : p.t.fate;
      const label = el('span', null, el('span', { class: 'idx', text: '[' + hex2(p.npc.index) + ']' }),
        ' shape ' + hex2(p.t.shape) + ' \u00b7 ' + where + (p.t.fate === 'relocated' ? ' (moved)' : '') +
        (p.t.fate === 'other floor' ? ' ' + QZ.floorText(p.t.floor) : ''));
      const button = el('button', { type: 'button', 'aria-pressed': 'false',
        data: { index: String(p.npc.index), key: 'npc-' + p.npc.index } }, label);
      const item = el('li', null, button);
      (markedCell(p.t) ? onMap : elsewhere).push(item);
    }
    const list = $('npcs');
    const items = [...onMap];
    if (elsewhere.length) {
      // Kept shut unless it was open: the characters elsewhere are many.
      const open = list.querySelector('details[open]') !== null;
      items.push(el('li', null, el('details', { open },
        el('summary', { text: elsewhere.length + ' not on this map', data: { key: 'elsewhere' } }),
        el('ul', { class: 'npcs' }, ...elsewhere))));
    }
    if (!items.length) items.push(el('li', { class: 'muted', text: 'No characters at this location.' }));
    QZ.keepFocus(list, () => list.replaceChildren(...items),
      () => list.querySelector('button, summary') || mapBox);
    $('npc-count').textContent = atlas.options.no_npcs
      ? '(not drawn: this atlas was made with -n)' : '(' + onMap.length + ' on this map)';
  }

  function fillCaption() {
    const shown = QZ.shown();
    const m = atlas.maps[shown.map];
    const e = entryOf(shown.map, shown.time);
    $('caption').replaceChildren(
      QZ.displayName(m.name) + ' \u00b7 ' + m.floor_label + ' \u00b7 ' + QZ.timeText(shown.time),
      el('span', { class: 'sub', text: '   ' + m.category + ', ' + QZ.fileName(shown.map, shown.time, '.bmp') +
        (QZ.isNight(shown.time) ? ', night' : '') }));
    document.title = QZ.describe(shown.map, shown.time) + ' \u2013 Map atlas';
    $('lines').textContent = e.lines === ''
      ? '(nothing to report: every character on this map stands at its cell)' : e.lines;
    $('picture').setAttribute('aria-label', QZ.describe(shown.map, shown.time));
  }

  // A new view or a new location lets the chosen character go.
  QZ.on('view', (v) => {
    if (QZ.selection && (v.overview || QZ.locationOf(v.map) !== QZ.selection.location)) QZ.select(null);
  });

  QZ.on('picture', () => {
    fillCaption();
    fillList();
    placeCursor();
    showChosen(true);
    refreshPointer();
  });

  QZ.on('zoom', () => {
    placeCursor();
    placeMarker();
    drawDay();
    drawRulers();
    followCell();
  });

  // ---- pointing, tapping and the keyboard cursor ----

  const tooltip = $('tooltip');
  const sheet = $('sheet');
  // cell: under the pointer or the keyboard cursor; pinned: a click fixed
  // the tooltip there; keyboard: the cursor came from keys; sheet: a tap
  // on a narrow window opened the sheet for it.
  const pointer = { cell: null, pinned: false, keyboard: false, sheet: false, clientX: 0, clientY: 0 };
  let lastPointerType = 'mouse';

  function showTooltip(anchor) {
    const shown = QZ.shown();
    tooltip.replaceChildren(...cellFacts(shown.map, shown.time, pointer.cell[0], pointer.cell[1]));
    tooltip.hidden = false;
    placeTooltip(anchor);
  }

  // Beside the anchor, inside the window, never over the anchor.
  function placeTooltip(anchor) {
    const tw = tooltip.offsetWidth;
    const th = tooltip.offsetHeight;
    const vw = document.documentElement.clientWidth;
    const vh = document.documentElement.clientHeight;
    let left = anchor.right + 12;
    if (left + tw > vw - 4) left = anchor.left - tw - 12;
    let top = anchor.top;
    if (left < 4) {
      // No room beside it: below or above it.
      left = Math.min(Math.max(4, anchor.left), Math.max(4, vw - tw - 4));
      top = anchor.bottom + 8 + th <= vh - 4 ? anchor.bottom + 8 : Math.max(4, anchor.top - th - 8);
    } else if (top + th > vh - 4) {
      top = Math.max(4, vh - th - 4);
    }
    tooltip.style.left = left + 'px';
    tooltip.style.top = top + 'px';
  }

  function openSheet() {
    const shown = QZ.shown();
    $('sheet-body').replaceChildren(...cellFacts(shown.map, shown.time, pointer.cell[0], pointer.cell[1]));
    sheet.hidden = false;
    tooltip.hidden = true;
    // Room below the page, so that the page can scroll the cell above it.
    document.body.style.paddingBottom = sheet.offsetHeight + 'px';
    const c = cellRect(pointer.cell);
    const top = window.innerHeight - sheet.offsetHeight;
    if (c.bottom > top - 8) {
      const need = c.bottom - top + 8;
      const before = scroller.scrollTop;
      scroller.scrollTop += need;
      const left = need - (scroller.scrollTop - before);
      if (left > 0) window.scrollBy(0, left);
    }
  }

  function closeSheet() {
    sheet.hidden = true;
    document.body.style.paddingBottom = '';
  }

  function refreshPointer() {
    const shown = QZ.shown();
    if (!shown) return;
    placeCursor();
    if (!pointer.cell) {
      tooltip.hidden = true;
      closeSheet();
      fillInfo();
      return;
    }
    if (pointer.keyboard) fillInfo();
    if (pointer.sheet) {
      openSheet();
    } else if (pointer.pinned || pointer.keyboard) {
      closeSheet();
      showTooltip(cellRect(pointer.cell));
    } else {
      closeSheet();
      const x = pointer.clientX;
      const y = pointer.clientY;
      showTooltip({ left: x - 8, right: x + 8, top: y + 8, bottom: y + 8 });
    }
  }

  // The box on the cell of the keyboard cursor, a pinned tooltip or the
  // sheet (not on a cell merely pointed at).
  function placeCursor() {
    placeBox($('cursor'), pointer.keyboard || pointer.pinned || pointer.sheet ? pointer.cell : null);
  }

  QZ.clearPointer = () => {
    const had = pointer.cell !== null;
    Object.assign(pointer, { cell: null, pinned: false, keyboard: false, sheet: false });
    refreshPointer();
    return had;
  };

  // A pinned tooltip goes with its cell as the map scrolls or zooms, and
  // closes when the cell leaves the view.
  function followCell() {
    if (!pointer.cell || !(pointer.pinned || pointer.keyboard) || pointer.sheet) return;
    if (pointer.pinned && !cellSeen(pointer.cell)) {
      QZ.clearPointer();
      return;
    }
    placeTooltip(cellRect(pointer.cell));
  }
  scroller.addEventListener('scroll', followCell, { passive: true });
  window.addEventListener('scroll', followCell, { passive: true });

  let pointerDown = false;
  mapBox.addEventListener('pointerdown', (e) => {
    lastPointerType = e.pointerType;
    pointerDown = true;
  });

  mapBox.addEventListener('pointermove', (e) => {
    if (!QZ.shown() || pointer.pinned || pointer.sheet || e.pointerType === 'touch') return;
    pointer.keyboard = false;
    pointer.clientX = e.clientX;
    pointer.clientY = e.clientY;
    pointer.cell = cellAt(e.clientX, e.clientY);
    refreshPointer();
  });

  mapBox.addEventListener('pointerleave', (e) => {
    if (e.pointerType !== 'touch' && !pointer.pinned && !pointer.keyboard && !pointer.sheet) QZ.clearPointer();
  });

  // A click pins the tooltip to the cell; on a narrow window a tap opens
  // the sheet.  Another on the same cell lets it go.
  mapBox.addEventListener('click', (e) => {
    pointerDown = false;
    if (!QZ.shown()) return;
    const cell = cellAt(e.clientX, e.clientY);
    if (!cell) return;
    const same = (pointer.pinned || pointer.sheet) && pointer.cell && pointer.cell[0] === cell[0] && pointer.cell[1] === cell[1];
    if (same) {
      QZ.clearPointer();
      return;
    }
    const touch = (e.pointerType || lastPointerType) === 'touch';
    Object.assign(pointer, { cell, pinned: !(touch && QZ.narrow()), sheet: touch && QZ.narrow(), keyboard: false,
      clientX: e.clientX, clientY: e.clientY });
    refreshPointer();
  });

  $('sheet-close').addEventListener('click', () => QZ.clearPointer());

  // Gives the map the focus after a choice made elsewhere; with `quietly`
  // (the choice was a click) without putting the cursor on it.
  let quiet = false;
  QZ.focusMap = (quietly) => {
    quiet = quietly;
    mapBox.focus({ preventScroll: true });
    quiet = false;
  };

  mapBox.addEventListener('focus', () => {
    // Focus from the keyboard puts the cursor on the map at once.
    if (pointerDown || quiet || !QZ.shown()) return;
    const chosen = chosenPair();
    Object.assign(pointer, { keyboard: true, pinned: false, sheet: false,
      cell: pointer.cell || (chosen && markedCell(chosen.t)) || [0, 0] });
    refreshPointer();
  });

  mapBox.addEventListener('blur', () => {
    pointerDown = false;
    if (pointer.keyboard) QZ.clearPointer();
  });

  mapBox.addEventListener('keydown', (e) => {
    if (e.altKey || e.ctrlKey || e.metaKey || !QZ.shown()) return;
    if (e.key === 'Enter' && pointer.cell) {
      // Choose the character drawn on the cursor's cell.
      const shown = QZ.shown();
      const here = QZ.pairsOf(shown.map, shown.time).find((p) => {
        const c = QZ.drawnCell(p.t);
        return c && c[0] === pointer.cell[0] && c[1] === pointer.cell[1];
      });
      if (here) {
        e.preventDefault();
        QZ.select(here.npc.index, { scroll: false });
      }
      return;
    }
    const moves = { ArrowLeft: [-1, 0], ArrowRight: [1, 0], ArrowUp: [0, -1], ArrowDown: [0, 1] };
    const move = moves[e.key];
    if (!move) return;
    e.preventDefault();
    const from = pointer.cell || [0, 0];
    const step = e.shiftKey ? 4 : 1;
    pointer.cell = [Math.min(cols - 1, Math.max(0, from[0] + move[0] * step)),
      Math.min(rows - 1, Math.max(0, from[1] + move[1] * step))];
    Object.assign(pointer, { keyboard: true, pinned: false, sheet: false });
    scrollToCell(pointer.cell);
    refreshPointer();
  });

  // Clicks outside the map and the sheet let a pinned tooltip or the
  // sheet go.
  document.addEventListener('click', (e) => {
    if ((pointer.pinned || pointer.sheet) && !mapBox.contains(e.target) && !sheet.contains(e.target)) QZ.clearPointer();
  });

  // ---- the list of characters ----

  const list = $('npcs');
  const rowIndex = (e) => {
    const b = e.target.closest && e.target.closest('button[data-index]');
    return b && list.contains(b) ? Number(b.dataset.index) : null;
  };
  list.addEventListener('click', (e) => {
    const index = rowIndex(e);
    if (index === null) return;
    preview = null;
    QZ.select(QZ.selection && QZ.selection.index === index ? null : index);
  });
  // Pointing at a row or focusing it marks the character on the map and
  // changes nothing else: nothing moves under the pointer.
  const showPreview = (index) => {
    if (preview === index) return;
    preview = index;
    placeMarker();
  };
  list.addEventListener('pointerover', (e) => showPreview(rowIndex(e)));
  list.addEventListener('pointerleave', () => showPreview(null));
  list.addEventListener('focusin', (e) => showPreview(rowIndex(e)));
  list.addEventListener('focusout', () => showPreview(null));

  // ---- the grid ----

  QZ.gridShown = false;
  const rulerTop = $('ruler-top');
  const rulerLeft = $('ruler-left');

  QZ.toggleGrid = () => {
    QZ.gridShown = !QZ.gridShown;
    QZ.rulerRoom = QZ.gridShown ? { left: 44, top: 30 } : { left: 0, top: 0 };
    mapBox.classList.toggle('with-grid', QZ.gridShown);
    $('grid-button').setAttribute('aria-pressed', String(QZ.gridShown));
    QZ.applyZoom();
  };

  // Cell coordinates along the top and left edges, in hex (as the
  // placement lines give them) over decimal; every second, fourth or
  // eighth cell when the cells are too small for each.
  function drawRulers() {
    rulerTop.hidden = rulerLeft.hidden = !QZ.gridShown;
    if (!QZ.gridShown) return;
    const s = scaleNow();
    const w = pic.tile_width * s;
    const h = pic.tile_height * s;
    const stepFor = (size, need) => [1, 2, 4, 8].find((n) => size * n >= need) || 8;
    const across = stepFor(w, 22);
    const down = stepFor(h, 15);
    const label = (n) => [el('span', { class: 'hex', text: hex2(n) }), el('span', { class: 'dec', text: String(n) })];
    const top = [];
    for (let x = 0; x < cols; x += across) {
      const mark = el('span', { class: 'mark', data: { cell: String(x) } }, ...label(x));
      mark.style.left = x * w + 'px';
      mark.style.width = w + 'px';
      top.push(mark);
    }
    const left = [];
    for (let y = 0; y < rows; y += down) {
      const mark = el('span', { class: 'mark', data: { cell: String(y) } }, ...label(y));
      mark.style.top = y * h + 'px';
      mark.style.height = h + 'px';
      left.push(mark);
    }
    rulerTop.replaceChildren(...top);
    rulerLeft.replaceChildren(...left);
  }
})(window.QZ);
