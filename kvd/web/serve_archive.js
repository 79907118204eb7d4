// The archive page: what the archive holds and a new object; the import of
// measurement files is serve_import.js's, and the page shows the archive
// anew after it. The counts are the server's: the page adds nothing up
// itself.
(function () {
  'use strict';
  var t = kvd.t, el = kvd.el;

  function filterHash(values) {
    var q = new URLSearchParams();
    Object.keys(values).forEach(function (k) { if (values[k]) q.set(k, values[k]); });
    return '/records#' + q.toString();
  }

  // "2 rooms, 3 points, 12 records".
  function objectCounts(o) {
    return [t('n_rooms', { n: o.rooms }), t('n_points', { n: o.points.length }), t('n_records', { n: o.records })]
      .join(', ');
  }

  function renderArchive(a) {
    document.getElementById('summary').textContent =
      t('archive_summary', { records: t('n_records', { n: a.records }), objects: t('n_objects', { n: a.objects.length }) });
    var un = document.getElementById('unassigned');
    un.replaceChildren(kvd.link(filterHash({ unassigned: '1' }), t('unassigned_count', { n: a.unassigned })));
    var list = document.getElementById('object-list');
    list.replaceChildren();
    if (a.objects.length === 0) list.appendChild(el('p', 'help', t('objects_none')));
    a.objects.forEach(function (o) {
      var box = el('article', 'object');
      var h = el('h3');
      h.appendChild(kvd.link('/objects/' + encodeURIComponent(o.id), o.name));
      h.appendChild(el('span', 'count', objectCounts(o)));
      box.appendChild(h);
      var about = [o.address, o.client].filter(Boolean).join(' · ');
      if (about) box.appendChild(el('p', 'about', about));
      if (o.points.length > 0) {
        var wrap = el('div', 'scroll-x');
        var table = el('table', 'grid points');
        table.appendChild(kvd.row([t('floor'), t('room'), t('point'), t('records_count')], 'th'));
        table.rows[0].lastChild.className = 'n';
        o.points.forEach(function (p) {
          var r = kvd.row([p.floor, p.room,
            kvd.link(filterHash({ object: o.name, floor: p.floor, room: p.room, point: p.point }), p.point || '—'),
            p.records]);
          r.lastChild.className = 'n';
          table.appendChild(r);
        });
        wrap.appendChild(table);
        box.appendChild(wrap);
      } else {
        box.appendChild(el('p', 'help', t('points_none')));
      }
      list.appendChild(box);
    });
    var body = document.querySelector('#import-list tbody');
    body.replaceChildren();
    a.imports.forEach(function (i) {
      var r = kvd.row([i.file, kvd.labDate(i.imported_at), i.records, i['new'], i.known]);
      for (var c = 2; c < 5; ++c) r.cells[c].className = 'n';
      body.appendChild(r);
    });
    if (a.imports.length === 0) {
      var empty = kvd.row([t('imports_none')]);
      empty.cells[0].colSpan = 5;
      body.appendChild(empty);
    }
  }

  function refresh() { return kvd.get('/api/archive').then(renderArchive, kvd.showError); }

  // --- a new object ---------------------------------------------------

  // Offered to a role that may add one.
  var objectForm = document.getElementById('object-form');
  if (objectForm) objectForm.addEventListener('submit', function (e) {
    e.preventDefault();
    var form = e.target;
    var body = {};
    ['name', 'address', 'client', 'notes', 'kind'].forEach(function (k) { body[k] = form.elements[k].value.trim(); });
    kvd.post('/api/objects', kvd.withReason(body, form)).then(function () {
      form.reset();
      kvd.clearError();
      return refresh();
    }, kvd.showError);
  });

  document.addEventListener('kvd:imported', refresh);
  renderArchive(kvd.data);
})();
