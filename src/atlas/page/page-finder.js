// The atlas page, part 4 of 5: the finder and the overview.
//
// The finder answers "where is this character, and when?": it matches the
// characters of every location by the location's name, by index ("1D",
// "[1D]") or by shape ("shape 50"), indexes and shapes in hex as the page
// shows them, and lists for each its schedule slots (hours, floor, cell)
// and where it stands at the current time; choosing a line opens that map
// and time with the character chosen.
//
// The overview shows every location of a category (or all of them) as
// small pictures of each floor at the current time; choosing one opens it.
(function (QZ) {
  'use strict';

  if (!QZ.ready) return;
  const { $, el, atlas, hex2, cellText } = QZ;
  const MAX_FOUND = 60;   // characters listed at most

  // ---- the finder ----

  // Every character of the atlas: its location, and its place in the
  // location's list (the same on every floor).
  const characters = atlas.locations.flatMap((loc, location) =>
    atlas.maps[loc.maps[0]].npcs.map((npc, i) => ({ location, npc, i })));

  // What a query asks for: { index }, { shape } or { name }; null when empty.
  QZ.parseQuery = (text) => {
    const q = text.trim();
    if (!q) return null;
    let m = /^shape\s*(?:0x|\$)?([0-9a-f]{1,2})$/i.exec(q);
    if (m) return { shape: parseInt(m[1], 16) };
    m = /^\[\s*([0-9a-f]{1,2})\s*\]$/i.exec(q);
    if (m) return { index: parseInt(m[1], 16) };
    m = /^(?:0x|\$)?([0-9a-f]{1,2})$/i.exec(q);
    if (m && parseInt(m[1], 16) < 32) return { index: parseInt(m[1], 16) };
    return { name: q.toLowerCase().replace(/_/g, ' ') };
  };

  QZ.findCharacters = (query) => characters.filter((c) => {
    if (query.index !== undefined) return c.npc.index === query.index;
    if (query.shape !== undefined) return c.npc.shape === query.shape || c.npc.default.shape === query.shape;
    return QZ.displayName(atlas.locations[c.location].name).toLowerCase().includes(query.name);
  });

  // Where a character is at a time: the map it is on (or was refused a
  // cell on) and what became of it there; else, with no map, why.
  function whereAt(c, time) {
    const maps = atlas.locations[c.location].maps;
    for (const map of maps) {
      const t = atlas.maps[map].times[time].npcs[c.i];
      if (QZ.drawnCell(t) || t.fate === 'not placed') return { map, t };
    }
    return { map: null, t: atlas.maps[maps[0]].times[time].npcs[c.i] };
  }

  function whereText(where) {
    const t = where.t;
    const floor = where.map !== null ? atlas.maps[where.map].floor_label + ' ' : '';
    switch (t.fate) {
      case 'placed': return floor + cellText(t.x, t.y);
      case 'relocated': return floor + cellText(t.to[0], t.to[1]) + ', moved from ' + cellText(t.x, t.y);
      case 'not placed': return floor + 'not drawn: no free cell near ' + cellText(t.x, t.y);
      case 'other floor': return 'on ' + QZ.floorText(t.floor) + ' at ' + cellText(t.x, t.y) + ', a floor with no map';
      case 'absent': return 'not here at this time';
      default: return QZ.fateText(t, 0);
    }
  }

  // The hours (0 to 23) at which slot s of a character is in force.
  function hoursOfSlot(c, s) {
    const map = atlas.maps[atlas.locations[c.location].maps[0]];
    return atlas.times.filter((time) => time !== 'default' && map.times[time].npcs[c.i].slot === s);
  }

  const line = (text, target, now) => el('li', null, target
    ? el('button', { type: 'button', class: 'hit-line' + (now ? ' now' : ''), data: { map: String(target.map),
      time: target.time, index: String(target.index), key: 'hit-' + target.key } }, text)
    : el('span', { class: 'hit-line muted' + (now ? ' now' : '') }, text));

  function hitOf(c, time) {
    const loc = atlas.locations[c.location];
    const npc = c.npc;
    const key = c.location + '-' + npc.index;
    const now = whereAt(c, time);
    const lines = [line('now, ' + QZ.timeText(time) + ': ' + whereText(now),
      now.map !== null ? { map: now.map, time, index: npc.index, key: key + '-now' } : null)];
    for (const s of QZ.SLOT_ORDER) {
      const slot = npc.slots[s];
      const hours = hoursOfSlot(c, s);
      const map = QZ.mapOnFloor(c.location, slot.floor);
      const when = hours.includes(time) ? time : hours[0];
      const inForce = hours.includes(time);
      const text = 'slot ' + s + ' \u00b7 ' + QZ.slotHours(npc, s) + ' \u00b7 ' + QZ.floorText(slot.floor) + ' ' +
        cellText(slot.x, slot.y) + (hours.length === 0 ? ' (never in force)' : map === undefined ? ' (no map of this floor)' : '') +
        (inForce ? ' \u00b7 in force' : '');
      lines.push(line(text, map !== undefined && when !== undefined
        ? { map, time: when, index: npc.index, key: key + '-' + s } : null, inForce));
    }
    return el('li', { class: 'hit' },
      el('p', { class: 'who' }, el('strong', { text: QZ.displayName(loc.name) }),
        ' ' + loc.category + ' \u00b7 ', el('span', { class: 'idx', text: '[' + hex2(npc.index) + ']' }),
        ' \u00b7 shape ' + hex2(npc.shape)),
      el('ul', { class: 'hit-lines' }, ...lines));
  }

  const find = $('find');
  const found = $('found');

  function search() {
    const query = QZ.parseQuery(find.value);
    if (!query) {
      found.hidden = true;
      found.replaceChildren();
      return;
    }
    const hits = QZ.findCharacters(query);
    const time = QZ.view.time;
    const head = hits.length === 0 ? 'No character found.'
      : hits.length + (hits.length === 1 ? ' character' : ' characters') + ' found' +
        (hits.length > MAX_FOUND ? '; the first ' + MAX_FOUND + ' shown' : '') + ':';
    QZ.keepFocus(found, () => found.replaceChildren(el('p', { class: 'found-head', text: head }),
      hits.length ? el('ul', { class: 'hits' }, ...hits.slice(0, MAX_FOUND).map((c) => hitOf(c, time))) : null),
    () => find);
    found.hidden = false;
  }

  function closeFound() {
    found.hidden = true;
  }

  // Opens what a line of the hits names; `byKeys`: it was chosen with the
  // keyboard, and the map's cursor goes on the character.
  function openHit(button, byKeys) {
    const map = Number(button.dataset.map);
    const time = button.dataset.time;
    const index = Number(button.dataset.index);
    closeFound();
    QZ.selection = { location: QZ.locationOf(map), index };
    const same = !QZ.view.overview && QZ.view.map === map;
    QZ.go({ map, time, overview: null }, { history: same ? 'replace' : 'push' });
    const shown = QZ.shown();
    if (shown && shown.map === map && shown.time === time) QZ.select(index);
    if (QZ.narrow()) QZ.setFold(false);
    QZ.focusMap(!byKeys);
  }

  find.addEventListener('input', search);
  find.addEventListener('focus', () => {
    if (find.value.trim()) search();
  });
  find.addEventListener('keydown', (e) => {
    if (e.key === 'ArrowDown' && !found.hidden) {
      const first = found.querySelector('button');
      if (first) {
        e.preventDefault();
        first.focus();
      }
    } else if (e.key === 'Enter') {
      const first = found.querySelector('button');
      if (first) {
        e.preventDefault();
        openHit(first, true);
      }
    } else if (e.key === 'Escape') {
      e.preventDefault();
      if (!found.hidden) closeFound();
      else find.value = '';
    }
  });
  found.addEventListener('click', (e) => {
    const button = e.target.closest('button.hit-line');
    if (button) openHit(button, e.detail === 0);
  });
  found.addEventListener('keydown', (e) => {
    const buttons = [...found.querySelectorAll('button')];
    const at = buttons.indexOf(document.activeElement);
    if (e.key === 'ArrowDown' || e.key === 'ArrowUp') {
      e.preventDefault();
      const next = at + (e.key === 'ArrowDown' ? 1 : -1);
      if (next < 0) find.focus();
      else if (next < buttons.length) buttons[next].focus();
    } else if (e.key === 'Escape') {
      e.preventDefault();
      closeFound();
      find.focus();
    }
  });
  // The list closes when the focus or a click goes elsewhere.
  document.addEventListener('pointerdown', (e) => {
    if (!found.hidden && !found.contains(e.target) && e.target !== find) closeFound();
  });
  found.addEventListener('focusout', (e) => {
    if (e.relatedTarget && !found.contains(e.relatedTarget) && e.relatedTarget !== find) closeFound();
  });

  QZ.focusFinder = () => {
    const more = $('more');
    if (QZ.narrow() && !more.classList.contains('open')) QZ.setFold(true);
    find.focus();
    find.select();
  };

  // The hits follow the time.
  QZ.on('view', (v, previous) => {
    if (!found.hidden && v.time !== previous.time) search();
  });

  // ---- the overview ----

  const overview = $('overview');
  const grid = $('overview-grid');
  let built = null;     // { scope, time } of the small pictures made
  let pinned = [];      // their keys, kept while shown
  let builds = 0;

  function fillScopes(scope) {
    const scopes = [...atlas.categories, 'all'];
    const box = $('overview-scopes');
    if (!box.children.length) {
      box.replaceChildren(...scopes.map((s) => el('label', { class: 'seg' },
        el('input', { type: 'radio', name: 'scope', value: s, data: { key: 'scope-' + s } }),
        el('span', { text: s === 'all' ? 'all ' + atlas.locations.length : s }))));
    }
    for (const input of box.querySelectorAll('input')) input.checked = input.value === scope;
  }

  // Makes the small pictures of the locations of `scope` at `time`: those
  // on screen first, then the rest.  overview.dataset: shown (those on
  // screen are drawn), complete (all are), and their times in ms.
  function build(scope, time) {
    const opened = performance.now();
    const token = ++builds;
    const keys = [];
    const jobs = [];
    const cards = QZ.locationsOf(scope).map((l) => {
      const loc = atlas.locations[l];
      const floors = loc.maps.map((map) => {
        const picture = el('span', { class: 'thumb-picture' });
        picture.style.aspectRatio = atlas.picture.width + ' / ' + atlas.picture.height;  // nothing moves as they come
        const button = el('button', { type: 'button', class: 'thumb', 'aria-label': QZ.describe(map, time),
          data: { map: String(map), key: 'thumb-' + map } },
        picture, el('span', { class: 'thumb-label', text: atlas.maps[map].floor_label }));
        keys.push(map + '/' + time);
        jobs.push({ map, picture });
        return button;
      });
      return el('section', { class: 'place' }, el('h3', { text: QZ.displayName(loc.name) }),
        el('div', { class: 'floors' }, ...floors));
    });
    QZ.pinThumbnails(keys);
    QZ.unpinThumbnails(pinned);
    pinned = keys;
    built = { scope, time };
    $('overview-title').textContent = 'Overview \u00b7 ' + (scope === 'all' ? 'every location' : scope) +
      ' \u00b7 ' + QZ.timeText(time);
    grid.classList.toggle('all', scope === 'all');
    QZ.keepFocus(grid, () => grid.replaceChildren(...cards), () => grid.querySelector('button'));
    Object.assign(overview.dataset, { shown: 'false', complete: 'false' });

    const area = overview.getBoundingClientRect();
    const onScreen = (job) => {
      const r = job.picture.getBoundingClientRect();
      return r.bottom > Math.max(area.top, 0) && r.top < Math.min(area.bottom, window.innerHeight);
    };
    const make = (batch) => Promise.all(batch.map((job) => QZ.thumbnail(job.map, time).then((canvas) => {
      if (token === builds) job.picture.replaceChildren(canvas);
    }, (error) => {
      if (token !== builds) return;
      console.error('atlas: could not load ' + error.message);
      job.picture.textContent = 'not loaded';
    })));
    const first = jobs.filter(onScreen);
    const rest = jobs.filter((job) => !first.includes(job));
    QZ.loadFilesOf(first.map((job) => job.map), time);
    make(first).then(() => {
      if (token !== builds) return null;
      Object.assign(overview.dataset, { shown: 'true', shownMs: String(Math.round(performance.now() - opened)) });
      QZ.loadFilesOf(rest.map((job) => job.map), time);
      return make(rest);
    }).then(() => {
      if (token !== builds) return;
      Object.assign(overview.dataset, { complete: 'true', completeMs: String(Math.round(performance.now() - opened)) });
    });
  }

  function close() {
    builds++;
    grid.replaceChildren();
    QZ.unpinThumbnails(pinned);
    pinned = [];
    built = null;
  }

  QZ.on('view', (v) => {
    const open = v.overview !== null;
    overview.hidden = !open;
    document.body.classList.toggle('overview-open', open);
    $('overview-button').setAttribute('aria-pressed', String(open));
    if (!open) {
      if (built) close();
      return;
    }
    fillScopes(v.overview);
    if (!built || built.scope !== v.overview || built.time !== v.time) build(v.overview, v.time);
  });

  QZ.toggleOverview = () => {
    if (QZ.view.overview) {
      QZ.go({ overview: null }, { history: 'push' });
    } else {
      QZ.go({ overview: atlas.maps[QZ.view.map].category }, { history: 'push' });
    }
  };

  grid.addEventListener('click', (e) => {
    const button = e.target.closest('button.thumb');
    if (!button) return;
    QZ.go({ map: Number(button.dataset.map), overview: null }, { history: 'push' });
    QZ.focusMap(e.detail !== 0);
  });
  $('overview-scopes').addEventListener('change', (e) => {
    if (e.target.name === 'scope') QZ.go({ overview: e.target.value }, { history: 'push' });
  });
})(window.QZ);
