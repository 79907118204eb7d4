// The import of measurement files on the archive page, for a role that may
// import: files or whole folders dropped on the page or chosen, sent in
// requests of at most what the server takes, with the optional reason of
// the import; the table says what the archive made of each file, and the
// archive page shows the archive anew (the event kvd:imported).
(function () {
  'use strict';
  var t = kvd.t;
  // The server takes at most this much in one request.
  var kMaxRequestBytes = 64 * 1024 * 1024;
  var kMaxFilesPerRequest = 200;
  var reason = document.querySelector('#import-reason [name="reason"]');

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
        if (reason.value.trim()) form.append('reason', reason.value.trim());
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
      // A reason belongs to the files it was given with.
      reason.value = '';
      document.dispatchEvent(new Event('kvd:imported'));
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
})();
