// The archive page: what the archive holds, the import of measurement files
// dropped on the page or chosen, and a new object. The counts are the
// server's: the page adds nothing up itself.
(function () {
  'use strict';
  var t = kvd.t, el = kvd.el;
  // The server takes at most this much in one request.
  var kMaxRequestBytes = 64 * 1024 * 1024;
  var kMaxFilesPerRequest = 200;

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

  // --- import ---------------------------------------------------------

  function isKvd(name) { return /\.kvd$/i.test(name); }

  // Every *.kvd file under a dropped folder, with its path from the folder.
  function readFolder(entry, out) {
    return new Promise(function (resolve) {
      var reader = entry.createReader();
      var entries = [];
      // readEntries gives a folder's entries in portions until it gives none.
      function next() {
        reader.readEntries(function (part) {
          if (part.length === 0) {
            Promise.all(entries.map(function (e) { return readEntry(e, out, true); })).then(resolve);
          } else {
            entries = entries.concat(part);
            next();
          }
        }, function () { resolve(); });
      }
      next();
    });
  }

  function readEntry(entry, out, inFolder) {
    if (entry.isDirectory) return readFolder(entry, out);
    if (inFolder && !isKvd(entry.name)) return Promise.resolve();
    return new Promise(function (resolve) {
      entry.file(function (f) {
        out.push({ file: f, name: entry.fullPath.replace(/^\//, '') || f.name });
        resolve();
      }, function () { resolve(); });
    });
  }

  function droppedFiles(dt) {
    var out = [];
    var items = dt.items ? Array.prototype.slice.call(dt.items) : [];
    var entries = items.map(function (i) { return i.webkitGetAsEntry ? i.webkitGetAsEntry() : null; })
      .filter(Boolean);
    if (entries.length === 0) {
      Array.prototype.forEach.call(dt.files || [], function (f) { out.push({ file: f, name: f.name }); });
      return Promise.resolve(out);
    }
    return Promise.all(entries.map(function (e) { return readEntry(e, out, false); })).then(function () {
      return out;
    });
  }

  // Files go in requests of at most kMaxRequestBytes; a larger file goes
  // alone, and the server's refusal is shown for it.
  function batches(files) {
    var out = [], current = [], size = 0;
    files.forEach(function (f) {
      if (current.length > 0 && (size + f.file.size > kMaxRequestBytes || current.length >= kMaxFilesPerRequest)) {
        out.push(current);
        current = [];
        size = 0;
      }
      current.push(f);
      size += f.file.size;
    });
    if (current.length > 0) out.push(current);
    return out;
  }

  var resultsTable = document.getElementById('import-results');
  var resultsBody = resultsTable.querySelector('tbody');

  function resultRow(f) {
    var note = '', cls = '';
    if (f.error) { note = kvd.refusalText(f); cls = 'error'; }
    else if (f.already_imported || f.already) note = t('already_imported');
    else if (f.partial) note = t('partial_bytes', { n: f.partial });
    var r = kvd.row([f.file, f.error ? '' : f.records, f.error ? '' : f['new'], f.error ? '' : f.known, note]);
    for (var c = 1; c < 4; ++c) r.cells[c].className = 'n';
    if (cls) r.className = cls;
    r.setAttribute('data-file', f.file);
    resultsBody.appendChild(r);
  }

  var busy = false;
  function importFiles(files) {
    if (busy) return;
    if (files.length === 0) { kvd.showError(t('import_nothing')); return; }
    busy = true;
    kvd.clearError();
    var total = files.reduce(function (s, f) { return s + f.file.size; }, 0) || 1;
    var done = 0;
    var box = document.getElementById('progress-box');
    var bar = document.getElementById('progress');
    var text = document.getElementById('progress-text');
    box.hidden = false;
    resultsTable.hidden = false;
    resultsBody.replaceChildren();
    function progress(sent, count) {
      bar.value = Math.min(1, (done + sent) / total);
      text.textContent = t('import_progress', { done: count, total: files.length });
    }
    var filesDone = 0;
    progress(0, 0);
    var chain = Promise.resolve();
    batches(files).forEach(function (batch) {
      chain = chain.then(function () {
        var form = new FormData();
        batch.forEach(function (f) { form.append('file', f.file, f.name); });
        var bytes = batch.reduce(function (s, f) { return s + f.file.size; }, 0);
        return kvd.upload('/api/import', form, function (sent) { progress(Math.min(sent, bytes), filesDone); })
          .then(function (answer) {
            (answer && answer.files ? answer.files : []).forEach(resultRow);
          }, function (e) {
            batch.forEach(function (f) { resultRow({ file: f.name, error: e.message }); });
          })
          .then(function () { done += bytes; filesDone += batch.length; progress(0, filesDone); });
      });
    });
    chain.then(function () {
      text.textContent = t('import_done', { total: files.length });
      busy = false;
      return refresh();
    });
  }

  var drop = document.getElementById('drop');
  ['dragenter', 'dragover'].forEach(function (type) {
    drop.addEventListener(type, function (e) { e.preventDefault(); drop.classList.add('over'); });
  });
  drop.addEventListener('dragleave', function () { drop.classList.remove('over'); });
  drop.addEventListener('drop', function (e) {
    e.preventDefault();
    drop.classList.remove('over');
    droppedFiles(e.dataTransfer).then(importFiles);
  });
  // A file dropped beside the zone would make the browser open it in place
  // of the page.
  window.addEventListener('dragover', function (e) { e.preventDefault(); });
  window.addEventListener('drop', function (e) { e.preventDefault(); });
  drop.addEventListener('keydown', function (e) {
    if (e.target === drop && (e.key === 'Enter' || e.key === ' ')) {
      e.preventDefault();
      document.getElementById('files').click();
    }
  });

  function chosen(input, fromFolder) {
    var files = Array.prototype.slice.call(input.files)
      .filter(function (f) { return !fromFolder || isKvd(f.name); })
      .map(function (f) { return { file: f, name: f.webkitRelativePath || f.name }; });
    input.value = '';
    importFiles(files);
  }
  document.getElementById('files').addEventListener('change', function (e) { chosen(e.target, false); });
  document.getElementById('folder').addEventListener('change', function (e) { chosen(e.target, true); });

  // --- a new object ---------------------------------------------------

  document.getElementById('object-form').addEventListener('submit', function (e) {
    e.preventDefault();
    var form = e.target;
    var body = {};
    ['name', 'address', 'client', 'notes'].forEach(function (k) { body[k] = form.elements[k].value.trim(); });
    kvd.post('/api/objects', body).then(function () {
      form.reset();
      kvd.clearError();
      return refresh();
    }, kvd.showError);
  });

  renderArchive(kvd.data);
})();
