// The atlas page, part 1 of 5: the data, the view and its address.
//
// The page is five classic scripts (it works opened straight from disk,
// where modules and fetch are blocked) sharing one namespace, window.QZ,
// filled in the order index.html loads them:
//   page-links.js     the data, the view, its address and the history
//   page-pictures.js  picture files, decoding, the shown picture, zoom, saving
//   page-facts.js     facts about cells and characters, tooltips, the list
//   page-finder.js    the character finder and the overview
//   page-input.js     the controls, the keys, and the start
// The data is window.QZ_ATLAS (atlas-data.js), the JSON of atlas.json.
//
// The view is a map, a time and a zoom, or the overview of a category at a
// time.  Its address is the fragment: #STEM/TIME/ZOOM, or
// #overview/SCOPE/TIME.  Changing map adds a history entry; steps of hour
// and zoom replace it.
(function () {
  'use strict';

  const QZ = (window.QZ = {});
  const atlas = window.QZ_ATLAS;

  // ---- small helpers ----

  QZ.$ = (id) => document.getElementById(id);
  QZ.el = (tag, props, ...children) => {
    const node = document.createElement(tag);
    for (const [key, value] of Object.entries(props || {})) {
      if (key === 'class') node.className = value;
      else if (key === 'text') node.textContent = value;
      else if (key === 'data') Object.assign(node.dataset, value);
      else if (typeof value === 'boolean') node[key] = value;
      else node.setAttribute(key, value);
    }
    for (const child of children) {
      if (child !== null && child !== undefined && child !== false) node.append(child);
    }
    return node;
  };
  QZ.hex2 = (n) => n.toString(16).toUpperCase().padStart(2, '0');
  QZ.pad2 = (n) => String(n).padStart(2, '0');
  QZ.cellText = (x, y) => '(' + x + ', ' + y + ')';
  QZ.displayName = (name) => name.replace(/_/g, ' ');

  // Events between the parts: 'view' (the view changed), 'picture' (the
  // view's picture is shown), 'zoom' (the scale changed).
  const listeners = {};
  QZ.on = (name, fn) => (listeners[name] = listeners[name] || []).push(fn);
  QZ.emit = (name, ...args) => (listeners[name] || []).forEach((fn) => fn(...args));

  const notice = QZ.$('notice');
  QZ.notice = (message, kind) => {
    notice.textContent = message;
    notice.dataset.kind = kind;
    notice.hidden = false;
  };
  QZ.clearNotice = (kind) => {
    if (!notice.hidden && (!kind || notice.dataset.kind === kind)) notice.hidden = true;
  };

  QZ.ready = false;
  if (!atlas || !Array.isArray(atlas.maps) || atlas.maps.length === 0) {
    QZ.notice('No atlas data: atlas-data.js is missing beside this page, or holds no maps.', 'data');
    return;
  }
  if (atlas.format !== 3) {
    QZ.notice('This atlas is in format ' + atlas.format + '; this page reads format 3.', 'data');
    return;
  }
  QZ.ready = true;
  QZ.atlas = atlas;

  // ---- facts of the data ----

  const night = new Set(atlas.night_times);
  QZ.isNight = (time) => night.has(time);
  QZ.timeText = (time) => (time === 'default' ? 'default places' : QZ.pad2(Number(time)) + ':00');
  QZ.floorText = (code) => atlas.floor_labels[String(code)] || 'floor code ' + code;
  // The file zud2avuze writes for a map at a time, with the extension.
  QZ.fileName = (map, time, extension) =>
    atlas.maps[map].stem + (time === 'default' ? '' : '.' + QZ.pad2(Number(time))) + extension;

  // The location of each map, by the map's place in atlas.maps.
  const locationOf = [];
  atlas.locations.forEach((loc, i) => loc.maps.forEach((m) => { locationOf[m] = i; }));
  QZ.locationOf = (map) => locationOf[map];
  QZ.locationsOf = (category) => atlas.locations.map((l, i) => i).filter((i) =>
    category === 'all' || atlas.locations[i].category === category);
  QZ.mapOnFloor = (location, floor) => atlas.locations[location].maps.find((m) => atlas.maps[m].floor === floor);
  QZ.describe = (map, time) => {
    const m = atlas.maps[map];
    return QZ.displayName(m.name) + ', ' + m.floor_label + ', ' + QZ.timeText(time);
  };

  QZ.ZOOMS = ['0.25', '0.5', '1', '2'];
  QZ.zoomText = (zoom) => (zoom === 'fit' ? 'fit' : { 0.25: '\u00bc', 0.5: '\u00bd' }[zoom] || zoom + 'x');

  // The first castle's ground floor, as zud2avuze's first picture.
  const firstMap = Math.max(0, atlas.maps.findIndex((m) => m.floor === 0));

  // ---- links ----

  function parseTime(text) {
    if (text === 'default') return 'default';
    if (!/^\d{1,2}$/.test(text) || Number(text) > 23) return null;
    return String(Number(text));
  }

  const floorOrder = (code) => (code === 255 ? -1 : code);
  // A floor label's place from the bottom (B1F -1, 1F 0, 2F 1, ...), or
  // null.
  function labelOrder(label) {
    for (const [code, text] of Object.entries(atlas.floor_labels)) {
      if (text.toLowerCase() === label.toLowerCase()) return floorOrder(Number(code));
    }
    const basement = /^b(\d+)f$/i.exec(label);
    if (basement) return -Number(basement[1]);
    const upper = /^(\d+)f$/i.exec(label);
    return upper ? Number(upper[1]) - 1 : null;
  }

  // The map a stem names, or what can be kept of it: the location with its
  // nearest floor.  { map, problem }.
  function parseStem(stem) {
    const exact = atlas.maps.findIndex((m) => m.stem === stem);
    if (exact >= 0) return { map: exact, problem: null };
    const parts = /^qz\.(.+)\.([^.]+)$/.exec(stem);
    const name = parts ? parts[1] : stem;
    const wanted = (n) => n.toLowerCase().replace(/ /g, '_');
    const location = atlas.locations.findIndex((l) => wanted(l.name) === wanted(name));
    if (location < 0) {
      return { map: firstMap, problem: 'this atlas has no map "' + stem + '"' };
    }
    const loc = atlas.locations[location];
    const order = parts ? labelOrder(parts[2]) : null;
    const ground = loc.maps.find((m) => atlas.maps[m].floor === 0) ?? loc.maps[0];
    let map = ground;
    if (order !== null) {
      // The nearest floor; the lower one of two as near.
      const distance = (m) => Math.abs(floorOrder(atlas.maps[m].floor) - order);
      map = loc.maps.reduce((best, m) => (distance(m) < distance(best) ? m : best), loc.maps[0]);
    }
    const floor = parts ? parts[2] : '';
    return {
      map,
      problem: QZ.displayName(loc.name) + ' has no floor "' + floor + '"; showing ' +
        atlas.maps[map].floor_label + (order !== null ? ', the nearest' : ''),
    };
  }

  // The view a fragment names, as far as it can be used: { view, problems }
  // (view null for an empty fragment).  view.zoom is null when the link
  // gives none; an overview's view names no map.
  QZ.parseLink = (hash) => {
    const parts = hash.replace(/^#/, '').split('/');
    if (parts[0] === '') return { view: null, problems: [] };
    const problems = [];
    const decode = (text) => {
      try {
        return decodeURIComponent(text);
      } catch (e) {
        return text;
      }
    };
    const timeOf = (text) => {
      if (text === undefined || text === '') return atlas.default_time;
      const time = parseTime(text);
      if (time === null) problems.push('no time "' + decode(text) + '" (0 to 23 or default); showing ' + QZ.timeText(atlas.default_time));
      return time ?? atlas.default_time;
    };
    if (parts[0] === 'overview') {
      const scopes = ['all', ...atlas.categories];
      let scope = parts[1] || 'all';
      if (!scopes.includes(scope)) {
        problems.push('no category "' + decode(scope) + '"; showing all');
        scope = 'all';
      }
      return { view: { time: timeOf(parts[2]), zoom: null, overview: scope }, problems };
    }
    const stem = parseStem(decode(parts[0]));
    if (stem.problem) problems.push(stem.problem);
    const time = timeOf(parts[1]);
    let zoom = null;
    if (parts.length > 2) {
      if (QZ.ZOOMS.includes(parts[2]) || parts[2] === 'fit') zoom = parts[2];
      else problems.push('no zoom "' + decode(parts[2]) + '" (0.25, 0.5, 1, 2 or fit)');
    }
    return { view: { map: stem.map, time, zoom, overview: null }, problems };
  };

  QZ.linkOf = (v) => (v.overview
    ? '#overview/' + v.overview + '/' + v.time
    : '#' + encodeURIComponent(atlas.maps[v.map].stem) + '/' + v.time + '/' + v.zoom);

  // ---- the view ----

  QZ.view = { map: firstMap, time: atlas.default_time, zoom: '1', overview: null };
  QZ.firstMap = firstMap;

  // Changes the view.  history: 'push' adds an entry, 'replace' replaces
  // it, 'none' leaves the address as it is (a link being followed, or one
  // that could not be used whole).  problems: what a link could not give;
  // without them the notice about a link goes away.
  QZ.go = (next, { history: how = 'replace', problems = [] } = {}) => {
    const previous = QZ.view;
    QZ.view = { ...previous, ...next };
    if (how !== 'none') {
      const link = QZ.linkOf(QZ.view);
      if (link !== location.hash) {
        if (how === 'push') history.pushState(null, '', link);
        else history.replaceState(null, '', link);
      }
    }
    if (problems.length) {
      QZ.notice('This link could not be used whole: ' + problems.join('; ') + '.', 'link');
    } else {
      QZ.clearNotice('link');
    }
    QZ.emit('view', QZ.view, previous);
  };

  // Back, Forward and a fragment typed by hand.
  function followAddress() {
    const parsed = QZ.parseLink(location.hash);
    if (!parsed.view) return;
    const v = parsed.view;
    const now = QZ.view;
    if (!v.zoom) v.zoom = now.zoom;
    if (!parsed.problems.length && QZ.linkOf(v) === QZ.linkOf(now)) return;
    QZ.go(v, { history: 'none', problems: parsed.problems });
  }
  window.addEventListener('popstate', followAddress);
  window.addEventListener('hashchange', followAddress);
})();
