// The atlas page, part 2 of 5: pictures.
//
// A picture is a base with bands laid over it (atlas.json's "picture": the
// pieces, by their places in "pieces").  The pieces are PNG files held as
// data: URLs in picture files, classic scripts that hand them to
// QZ_PICTURES.  Each piece is decoded into an ImageBitmap; the view's
// pieces are drawn at 1:1 into one canvas, which the page scales with CSS
// (smoothed below 1x, never above).  A canvas that drew only pictures from
// data: URLs may be read back, so "Save picture" writes its pixels as they
// are: exactly the pixels of zud2avuze's BMP.
//
// Memory: decoded pictures (the pieces of recent views, and the overview's
// small pictures) are kept up to DECODED_BUDGET bytes, four a pixel, the
// least recently used dropped first; the picture files' text up to
// FILE_BUDGET characters.  What is on screen is never dropped.
(function (QZ) {
  'use strict';

  if (!QZ.ready) return;
  const { $, atlas } = QZ;
  const pic = atlas.picture;

  const DECODED_BUDGET = 40 * 1024 * 1024;
  const FILE_BUDGET = 16 * 1024 * 1024;
  const THUMBNAIL_SCALE = 0.25;  // the overview's small pictures
  const THUMBNAILS_AT_ONCE = 4;  // made at the same time (each needs a whole decoded picture)

  // Values by key, the least recently used first, bounded by the sum of
  // their sizes.  An entry's size counts once it is done; pinned entries
  // and those not done are never dropped.
  class Store {
    constructor(budget, drop) {
      this.budget = budget;
      this.drop = drop;
      this.entries = new Map();
      this.pins = new Map();  // key -> count
      this.total = 0;
    }
    get(key) {
      const entry = this.entries.get(key);
      if (entry) {
        this.entries.delete(key);
        this.entries.set(key, entry);
      }
      return entry;
    }
    add(key, entry) {
      entry.size = 0;
      entry.done = false;
      this.entries.set(key, entry);
    }
    done(key, size) {
      const entry = this.entries.get(key);
      if (!entry) return;
      entry.done = true;
      entry.size = size;
      this.total += size;
      this.trim();
    }
    remove(key) {
      const entry = this.entries.get(key);
      if (!entry) return;
      this.entries.delete(key);
      this.total -= entry.size;
      if (entry.done) this.drop(entry);
    }
    pin(keys) {
      for (const key of keys) this.pins.set(key, (this.pins.get(key) || 0) + 1);
    }
    unpin(keys) {
      for (const key of keys) {
        const n = (this.pins.get(key) || 0) - 1;
        if (n > 0) this.pins.set(key, n);
        else this.pins.delete(key);
      }
      this.trim();
    }
    trim() {
      for (const [key, entry] of [...this.entries]) {
        if (this.total <= this.budget) return;
        if (entry.done && !this.pins.has(key)) this.remove(key);
      }
    }
  }

  // ---- picture files ----

  const files = new Store(FILE_BUDGET, () => {});
  const waiting = new Map();  // path -> resolve

  // Called by each picture file as it runs.
  window.QZ_PICTURES = (path, urls) => {
    const resolve = waiting.get(path);
    if (resolve) {
      waiting.delete(path);
      resolve(urls);
    }
  };

  function loadFile(path) {
    const had = files.get(path);
    if (had) return had.promise;
    const entry = {};
    entry.promise = new Promise((resolve, reject) => {
      waiting.set(path, resolve);
      const script = document.createElement('script');
      script.src = path.split('/').map(encodeURIComponent).join('/');
      script.onload = () => {
        script.remove();
        if (waiting.delete(path)) reject(new Error(path + ' does not hold its pictures'));
      };
      script.onerror = () => {
        script.remove();
        waiting.delete(path);
        reject(new Error(path));
      };
      document.head.append(script);
    });
    files.add(path, entry);
    entry.promise.then((urls) => files.done(path, urls.reduce((n, url) => n + url.length, 0)),
      () => files.remove(path));
    return entry.promise;
  }

  // ---- decoded pieces ----

  const decoded = new Store(DECODED_BUDGET, (entry) => {
    if (entry.value instanceof HTMLCanvasElement) entry.value.width = 0;
    else entry.value.close();
  });

  // The bytes of the PNG file a data: URL holds.
  function bytesOf(url) {
    const base64 = url.slice(url.indexOf(',') + 1);
    if (Uint8Array.fromBase64) return Uint8Array.fromBase64(base64);
    const text = atob(base64);
    const bytes = new Uint8Array(text.length);
    for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
    return bytes;
  }

  // Decodes a PNG file into an ImageBitmap, its pixels as they are: with an
  // ImageDecoder where the browser has one (it decodes without handing the
  // bytes to another process first), else from a Blob.  The decoder's
  // frame becomes an ImageBitmap because a canvas draws that faster, and
  // the map's base is drawn again at every step.
  function decodePng(bytes) {
    const exact = { premultiplyAlpha: 'none', colorSpaceConversion: 'none' };
    if (typeof ImageDecoder === 'undefined') return createImageBitmap(new Blob([bytes], { type: 'image/png' }), exact);
    const decoder = new ImageDecoder({ data: bytes, type: 'image/png', ...exact });
    return decoder.decode().then(({ image }) => createImageBitmap(image, exact).finally(() => image.close()))
      .finally(() => decoder.close());
  }

  const pieceKey = (p) => 'p' + p;

  function decodePiece(p) {
    const key = pieceKey(p);
    const had = decoded.get(key);
    if (had) return had.promise;
    const piece = atlas.pieces[p];
    const entry = {};
    entry.promise = loadFile(piece.file).then((urls) => {
      const url = urls[piece.position];
      if (typeof url !== 'string') throw new Error(piece.file + ' (no piece ' + piece.position + ')');
      return decodePng(bytesOf(url));
    }).then((image) => {
      if (image.width !== pic.width || image.height !== piece.height) {
        image.close();
        throw new Error(piece.file + ' (piece ' + piece.position + ' is not ' + pic.width + ' x ' + piece.height + ')');
      }
      entry.value = image;
      decoded.done(key, pic.width * piece.height * 4);
      return image;
    });
    decoded.add(key, entry);
    entry.promise.catch(() => decoded.remove(key));
    return entry.promise;
  }

  // The pieces of a map's picture at a time, base first.
  QZ.piecesOf = (map, time) => atlas.maps[map].times[time].picture;

  // Decodes the pieces of a view and calls draw(layers), each layer a
  // piece's bitmap and top row, while they are sure to be kept.
  function withView(map, time, draw) {
    const pieces = QZ.piecesOf(map, time);
    const keys = pieces.map(pieceKey);
    decoded.pin(keys);
    return Promise.all(pieces.map(decodePiece))
      .then((bitmaps) => draw(bitmaps.map((bitmap, i) => ({ bitmap, y: atlas.pieces[pieces[i]].y }))))
      .finally(() => decoded.unpin(keys));
  }

  // ---- the shown picture ----

  const canvas = $('picture');
  const context = canvas.getContext('2d', { alpha: false });
  const mapBox = $('map');
  let shown = null;   // { map, time } of the picture in the canvas
  let shownKeys = [];
  let request = 0;

  QZ.shown = () => shown;

  // Shows the picture of `map` at `time` once all its pieces are decoded,
  // so the old picture stays until the new one is whole.
  QZ.showPicture = (map, time) => {
    const token = ++request;
    const keys = QZ.piecesOf(map, time).map(pieceKey);
    decoded.pin(keys);  // until another picture replaces it
    return withView(map, time, (layers) => {
      if (token !== request) return false;
      if (canvas.width !== pic.width || canvas.height !== pic.height) {
        canvas.width = pic.width;
        canvas.height = pic.height;
      }
      for (const layer of layers) context.drawImage(layer.bitmap, 0, layer.y);
      return true;
    }).then((ok) => {
      if (!ok) {
        decoded.unpin(keys);
        return false;
      }
      decoded.unpin(shownKeys);
      shownKeys = keys;
      shown = { map, time };
      mapBox.dataset.shown = atlas.maps[map].stem + '/' + time;
      QZ.clearNotice('picture');
      QZ.emit('picture', shown);
      preloadNeighbours(map, time);
      return true;
    }, (error) => {
      decoded.unpin(keys);
      if (token !== request) return false;
      console.error('atlas: could not load ' + error.message);
      QZ.notice('A picture of this view could not be loaded (' + error.message + '). Is the atlas folder complete?', 'picture');
      return false;
    });
  };

  // The hours before and after, for quick stepping.
  function preloadNeighbours(map, time) {
    const times = atlas.times;
    const at = times.indexOf(time);
    for (const step of [1, -1]) {
      for (const p of QZ.piecesOf(map, times[(at + step + times.length) % times.length])) {
        decodePiece(p).catch(() => {});
      }
    }
  }

  // ---- zoom ----

  const scroller = $('scroller');
  // Room the grid's coordinates take beside the picture, in pixels.
  QZ.rulerRoom = { left: 0, top: 0 };

  // The height the map area may take on a narrow window (the rest of the
  // first screen), where it is only as high as the map; else null.
  QZ.mapAreaHeight = null;

  // The map area: the scroller's inside, scroll bars or not.
  function area() {
    const style = getComputedStyle(scroller);
    const r = scroller.getBoundingClientRect();
    return {
      width: r.width - parseFloat(style.paddingLeft) - parseFloat(style.paddingRight) - QZ.rulerRoom.left,
      height: (QZ.mapAreaHeight ?? r.height) - parseFloat(style.paddingTop) - parseFloat(style.paddingBottom) -
        QZ.rulerRoom.top,
    };
  }

  // The largest zoom step at which the whole map shows in the map area.
  QZ.fitScale = () => {
    const a = area();
    const fits = QZ.ZOOMS.map(Number).filter((s) => pic.width * s <= a.width && pic.height * s <= a.height);
    return fits.length ? Math.max(...fits) : Number(QZ.ZOOMS[0]);
  };
  QZ.scale = () => (QZ.view.zoom === 'fit' ? QZ.fitScale() : Number(QZ.view.zoom));

  let appliedScale = null;
  QZ.applyZoom = () => {
    const s = QZ.scale();
    // Keep the middle of what is seen in the middle.
    const middle = appliedScale && appliedScale !== s ? {
      x: (scroller.scrollLeft + scroller.clientWidth / 2) / appliedScale,
      y: (scroller.scrollTop + scroller.clientHeight / 2) / appliedScale,
    } : null;
    canvas.style.width = pic.width * s + 'px';
    canvas.style.height = pic.height * s + 'px';
    mapBox.style.width = pic.width * s + 'px';
    mapBox.style.height = pic.height * s + 'px';
    canvas.classList.toggle('smooth', s < 1);
    mapBox.dataset.scale = String(s);
    appliedScale = s;
    if (middle) {
      scroller.scrollLeft = middle.x * s - scroller.clientWidth / 2;
      scroller.scrollTop = middle.y * s - scroller.clientHeight / 2;
    }
    QZ.emit('zoom', s);
  };

  // ---- saving ----

  // Downloads the shown picture as NAME.png; returns the name, or null.
  // Encoded at once with toDataURL: Chromium's toBlob and convertToBlob
  // wait for idle time, which a busy machine may not give for seconds.
  QZ.savePicture = () => {
    if (!shown) return null;
    const name = QZ.fileName(shown.map, shown.time, '.png');
    let blob;
    try {
      blob = new Blob([bytesOf(canvas.toDataURL('image/png'))], { type: 'image/png' });
    } catch (e) {
      QZ.notice('The picture could not be saved (' + e.message + ').', 'save');
      return null;
    }
    const url = URL.createObjectURL(blob);
    const link = QZ.el('a', { href: url, download: name, hidden: true });
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(url), 60000);
    return name;
  };

  // ---- the overview's small pictures ----

  let making = 0;
  const queue = [];

  function nextThumbnail() {
    while (making < THUMBNAILS_AT_ONCE && queue.length) {
      const job = queue.shift();
      making++;
      job().finally(() => {
        making--;
        nextThumbnail();
      });
    }
  }

  // A canvas with the picture of `map` at `time`, a quarter of each side,
  // smoothed.  Kept (and counted) with the decoded pictures; `pin` keeps it
  // while it is shown.
  QZ.thumbnail = (map, time) => {
    const key = 't' + map + '/' + time;
    const had = decoded.get(key);
    if (had) return had.promise;
    const entry = {};
    entry.promise = new Promise((resolve, reject) => {
      queue.push(() => withView(map, time, (layers) => {
        // Each piece scaled down on its own.  A band's edges are tile-row
        // edges, which fall between the small picture's rows when the tile
        // height is a multiple of 4 (a 32-pixel tile row is 8 rows here).
        const small = document.createElement('canvas');
        small.width = Math.max(1, Math.round(pic.width * THUMBNAIL_SCALE));
        small.height = Math.max(1, Math.round(pic.height * THUMBNAIL_SCALE));
        const g = small.getContext('2d', { alpha: false });
        g.imageSmoothingEnabled = true;
        g.imageSmoothingQuality = 'high';
        const s = small.height / pic.height;
        for (const layer of layers) {
          g.drawImage(layer.bitmap, 0, layer.y * s, small.width, layer.bitmap.height * s);
        }
        entry.value = small;
        decoded.done(key, small.width * small.height * 4);
        resolve(small);
      }).catch(reject));
      nextThumbnail();
    });
    decoded.add(key, entry);
    entry.promise.catch(() => decoded.remove(key));
    return entry.promise;
  };
  // Starts loading the picture files of the maps' pictures at `time` all
  // at once, so that making the small pictures does not wait for each.
  QZ.loadFilesOf = (maps, time) => {
    for (const map of maps) {
      for (const p of QZ.piecesOf(map, time)) loadFile(atlas.pieces[p].file).catch(() => {});
    }
  };
  QZ.pinThumbnails = (keys) => decoded.pin(keys.map((k) => 't' + k));
  QZ.unpinThumbnails = (keys) => decoded.unpin(keys.map((k) => 't' + k));
  // What is kept, for the tests and the benchmark.
  QZ.pictureStats = () => ({
    decodedBytes: decoded.total, decodedBudget: DECODED_BUDGET, decoded: decoded.entries.size,
    fileCharacters: files.total, fileBudget: FILE_BUDGET, files: files.entries.size,
  });
})(window.QZ);
