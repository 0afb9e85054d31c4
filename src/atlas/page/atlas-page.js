// A plain viewer of the atlas: one map at one time setting, chosen from
// two lists or from the address's fragment (#STEM/TIME).
(function () {
  'use strict';
  var atlas = window.QZ_ATLAS;
  var mapList = document.getElementById('map');
  var timeList = document.getElementById('time');
  var view = document.getElementById('view');
  atlas.maps.forEach(function (m, i) {
    mapList.add(new Option(m.category + ': ' + m.name + ' ' + m.floor_label, String(i)));
  });
  atlas.times.forEach(function (t) { timeList.add(new Option(t, t)); });

  function show() {
    var m = atlas.maps[Number(mapList.value)];
    var picture = m.times[timeList.value].picture;
    view.textContent = '';
    view.style.height = atlas.picture.height + 'px';
    [{ src: picture.base, y: 0 }].concat(picture.bands).forEach(function (part) {
      var img = document.createElement('img');
      img.src = part.src;
      img.alt = '';
      img.style.top = part.y + 'px';
      view.appendChild(img);
    });
    history.replaceState(null, '', '#' + m.stem + '/' + timeList.value);
  }
  function fromFragment() {
    var parts = decodeURIComponent(location.hash.slice(1)).split('/');
    var i = atlas.maps.findIndex(function (m) { return m.stem === parts[0]; });
    if (i >= 0) mapList.value = String(i);
    if (atlas.times.indexOf(parts[1]) >= 0) timeList.value = parts[1];
    show();
  }
  mapList.addEventListener('change', show);
  timeList.addEventListener('change', show);
  window.addEventListener('hashchange', fromFragment);
  timeList.value = '12';
  fromFragment();
})();
