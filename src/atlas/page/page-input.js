// The atlas page, part 5 of 5: the controls, the keys, and the start.
//
// Changing map (category, location, floor) adds a history entry; steps of
// hour and zoom replace it.  Keys work wherever the focus is, except in
// the finder's field and, for the keys the location list uses itself
// (letters, arrows, PgUp, PgDn, Home, End), in that list.  Controls that
// are made again for a new view give the focus to their new selves.
(function (QZ) {
  'use strict';

  if (!QZ.ready) return;
  const { $, el, atlas } = QZ;

  // ---- filling the controls ----

  function segment(name, value, label, extraClass) {
    const input = el('input', { type: 'radio', name, value, data: { key: name + '-' + value } });
    return el('label', { class: 'seg' + (extraClass ? ' ' + extraClass : '') }, input, el('span', { text: label }));
  }

  $('categories').replaceChildren(...atlas.categories.map((c) => segment('category', c, c)));
  $('hours').replaceChildren(...atlas.times.filter((t) => t !== 'default')
    .map((t) => segment('time', t, t, QZ.isNight(t) ? 'night' : '')));
  $('time-default').replaceChildren(segment('time', 'default', 'default places'));
  $('time-note').textContent = '(shaded: night)';
  $('zooms').replaceChildren(...[...QZ.ZOOMS, 'fit'].map((z) => segment('zoom', z, QZ.zoomText(z))));

  let filled = { category: null, location: null };

  // Shows the view in the controls: the location list of its category, the
  // floors of its location, and every choice checked.
  function syncControls() {
    const v = QZ.view;
    const m = atlas.maps[v.map];
    const location = QZ.locationOf(v.map);
    const select = $('location');
    if (filled.category !== m.category) {
      select.replaceChildren(...QZ.locationsOf(m.category).map((l) =>
        el('option', { value: String(l), text: QZ.displayName(atlas.locations[l].name) })));
    }
    if (filled.location !== location) {
      const floors = $('floors');
      QZ.keepFocus(floors, () => floors.replaceChildren(...atlas.locations[location].maps.map((i) =>
        segment('floor', String(i), atlas.maps[i].floor_label))), () => floors.querySelector('input'));
    }
    filled = { category: m.category, location };
    select.value = String(location);
    const focused = document.activeElement;
    for (const [name, value] of [['category', m.category], ['floor', String(v.map)], ['time', v.time], ['zoom', v.zoom]]) {
      const input = document.querySelector('input[name="' + name + '"][value="' + CSS.escape(value) + '"]');
      if (!input) continue;
      input.checked = true;
      // The focus goes with the choice within a group.
      if (focused && focused.name === name && focused !== input) input.focus({ preventScroll: true });
    }
    $('time-now').textContent = QZ.timeText(v.time);
  }

  // ---- changing the view ----

  function stepTime(step) {
    const times = atlas.times;
    const at = times.indexOf(QZ.view.time);
    QZ.go({ time: times[(at + step + times.length) % times.length] });
  }

  // Another location: the same floor where it has one, else its ground
  // floor.
  function chooseLocation(location) {
    const floor = atlas.maps[QZ.view.map].floor;
    const maps = atlas.locations[location].maps;
    const same = maps.find((i) => atlas.maps[i].floor === floor);
    const ground = maps.find((i) => atlas.maps[i].floor === 0);
    QZ.go({ map: same ?? ground ?? maps[0], overview: null }, { history: 'push' });
  }

  function stepLocation(step) {
    const m = atlas.maps[QZ.view.map];
    const locations = QZ.locationsOf(m.category);
    const at = locations.indexOf(QZ.locationOf(QZ.view.map));
    chooseLocation(locations[(at + step + locations.length) % locations.length]);
  }

  function stepFloor(step) {
    const maps = atlas.locations[QZ.locationOf(QZ.view.map)].maps;
    const at = maps.indexOf(QZ.view.map);
    const next = at + step;
    if (next >= 0 && next < maps.length) QZ.go({ map: maps[next] }, { history: 'push' });
  }

  // The next zoom step out (-1) or in (+1) from the scale shown.
  function stepZoom(step) {
    const scales = QZ.ZOOMS.map(Number);
    const now = QZ.scale();
    const next = step < 0 ? scales.filter((s) => s < now).pop() : scales.find((s) => s > now);
    if (next !== undefined) QZ.go({ zoom: String(next) });
  }

  // ---- the view on screen ----

  const scroller = $('scroller');

  // On a narrow window the map area is at most the rest of the first
  // screen, so that "fit" shows the whole map there, and no higher than
  // the map, so that the details follow it.
  function sizeMapArea() {
    if (!QZ.narrow()) {
      QZ.mapAreaHeight = null;
      scroller.style.maxHeight = '';
      return;
    }
    const top = scroller.getBoundingClientRect().top + window.scrollY;
    QZ.mapAreaHeight = Math.max(160, Math.floor(window.innerHeight - top - 4));
    scroller.style.maxHeight = QZ.mapAreaHeight + 'px';
  }

  QZ.setFold = (open) => {
    $('more').classList.toggle('open', open);
    $('fold').setAttribute('aria-expanded', String(open));
    sizeMapArea();
    if (QZ.view.zoom === 'fit') QZ.applyZoom();
  };

  QZ.on('view', (v, previous) => {
    syncControls();
    scroller.hidden = v.overview !== null;
    if (v.overview) return;
    const shown = QZ.shown();
    if (!shown || shown.map !== v.map || shown.time !== v.time) QZ.showPicture(v.map, v.time);
    if (v.zoom !== previous.zoom || previous.overview || !shown) QZ.applyZoom();
  });

  // ---- control events ----

  document.addEventListener('change', (e) => {
    const t = e.target;
    if (t.name === 'category') {
      const first = QZ.locationsOf(t.value)[0];
      if (first !== undefined) chooseLocation(first);
    } else if (t.name === 'floor') {
      QZ.go({ map: Number(t.value), overview: null }, { history: 'push' });
    } else if (t.name === 'time') {
      QZ.go({ time: t.value });
    } else if (t.name === 'zoom') {
      QZ.go({ zoom: t.value });
    } else if (t.id === 'location') {
      chooseLocation(Number(t.value));
    }
  });

  $('location-prev').addEventListener('click', () => stepLocation(-1));
  $('location-next').addEventListener('click', () => stepLocation(1));
  $('time-prev').addEventListener('click', () => stepTime(-1));
  $('time-next').addEventListener('click', () => stepTime(1));
  $('fold').addEventListener('click', () => QZ.setFold(!$('more').classList.contains('open')));
  $('overview-button').addEventListener('click', () => QZ.toggleOverview());
  $('grid-button').addEventListener('click', () => QZ.toggleGrid());
  $('save-button').addEventListener('click', () => QZ.savePicture());

  // ---- keys ----

  // The keys that also work while the location list has the focus: none
  // that the list uses itself.
  const LIST_KEYS = new Set([',', '.', '<', '>', '[', ']', '-', '+', '=', '1', '2', 'Escape']);

  const onMap = (action) => () => {
    if (!QZ.view.overview) action();
  };
  const actions = {
    ',': () => stepTime(-1),
    '<': () => stepTime(-1),
    '.': () => stepTime(1),
    '>': () => stepTime(1),
    d: () => QZ.go({ time: 'default' }),
    '[': onMap(() => stepLocation(-1)),
    ']': onMap(() => stepLocation(1)),
    PageUp: onMap(() => stepFloor(1)),
    PageDown: onMap(() => stepFloor(-1)),
    '-': onMap(() => stepZoom(-1)),
    '_': onMap(() => stepZoom(-1)),
    '+': onMap(() => stepZoom(1)),
    '=': onMap(() => stepZoom(1)),
    1: onMap(() => QZ.go({ zoom: '1' })),
    2: onMap(() => QZ.go({ zoom: '2' })),
    f: onMap(() => QZ.go({ zoom: 'fit' })),
    g: onMap(() => QZ.toggleGrid()),
    s: onMap(() => QZ.savePicture()),
    y: onMap(() => QZ.toggleDay()),
    o: () => QZ.toggleOverview(),
    '/': () => QZ.focusFinder(),
    Escape: () => {
      if (QZ.clearPointer()) return;
      if (QZ.view.overview) QZ.toggleOverview();
      else QZ.select(null);
    },
  };

  document.addEventListener('keydown', (e) => {
    if (e.defaultPrevented || e.altKey || e.ctrlKey || e.metaKey) return;
    const target = e.target;
    if (target.tagName === 'SELECT' && !LIST_KEYS.has(e.key)) return;
    if (target.tagName === 'TEXTAREA' || (target.tagName === 'INPUT' && target.type !== 'radio')) return;
    const action = actions[e.key.length === 1 ? e.key.toLowerCase() : e.key];
    if (!action) return;
    e.preventDefault();
    action();
  });

  window.addEventListener('resize', () => {
    sizeMapArea();
    if (QZ.view.zoom === 'fit' && !QZ.view.overview) QZ.applyZoom();
  });

  // ---- the start ----

  // A link without a zoom (as older links are) opens at 1x when the whole
  // map fits at 1x, at fit otherwise; a link that cannot be used whole is
  // shown as far as it can be, and the address is left as it is.
  const start = QZ.parseLink(location.hash);
  const first = start.view || { map: QZ.firstMap, time: atlas.default_time, zoom: null, overview: null };
  if (first.map === undefined) {
    const scope = QZ.locationsOf(first.overview);
    first.map = atlas.locations[scope[0]].maps.find((m) => atlas.maps[m].floor === 0) ?? atlas.locations[scope[0]].maps[0];
  }
  sizeMapArea();
  if (!first.zoom) first.zoom = QZ.fitScale() >= 1 ? '1' : 'fit';
  QZ.go(first, { history: start.problems.length ? 'none' : 'replace', problems: start.problems });
})(window.QZ);
