// The record page: what the list says of the record, its result page as
// kvd render draws it, its spectrum panel, every file it came in and every
// named field as kvd show gives it.
(function () {
  'use strict';
  var t = kvd.t, r = kvd.data;

  function summary() {
    var table = document.getElementById('summary');
    var place = kvd.placeText(r, true);
    var rows = [
      [t('col_date'), r.date + ' ' + r.time],
      [t('col_mode'), r.mode + ' ' + r.mode_name],
      [t('value'), kvd.valueText(r)],
      [t('col_device'), r.device]
    ];
    rows.forEach(function (c) { table.appendChild(kvd.row(c)); });
    var where = place ? kvd.link('/records#' + new URLSearchParams({ object: r.object, room: r.room || '', point: r.point || '' })
      .toString(), place) : kvd.el('span', 'help', t('not_assigned'));
    var tr = kvd.row([t('col_place'), where]);
    table.appendChild(tr);
    Array.prototype.forEach.call(table.rows, function (row) {
      var th = document.createElement('th');
      th.scope = 'row';
      th.textContent = row.cells[0].textContent;
      row.replaceChild(th, row.cells[0]);
    });
  }

  function tables() {
    var s = document.querySelector('#sightings tbody');
    (r.sightings || []).forEach(function (x) {
      var row = kvd.row([x.file, x.index, kvd.labDate(x.imported_at), [x.user, x.host].filter(Boolean).join('@'),
        x.absolute_path]);
      row.cells[1].className = 'n';
      s.appendChild(row);
    });
    var q = document.querySelector('#results tbody');
    (r.results || []).forEach(function (x) {
      var row = kvd.row([x.label, x.value + (x.error ? ' \u00B1 ' + x.error : ''), x.unit]);
      row.cells[1].className = 'n';
      q.appendChild(row);
    });
    var f = document.querySelector('#fields tbody');
    (r.fields || []).forEach(function (x) {
      var row = kvd.row([x.label, x.value, x.unit]);
      row.cells[1].className = 'n';
      f.appendChild(row);
    });
  }

  function page() {
    if (!r.has_page) return;
    var img = document.getElementById('page-svg');
    img.addEventListener('error', function () { kvd.showError(t('page_failed')); });
    img.src = '/api/records/' + encodeURIComponent(r.id) + '/page.svg';
    document.getElementById('page-section').hidden = false;
  }

  function spectrum() {
    if (!r.has_spectrum) return;
    document.getElementById('spectrum-section').hidden = false;
    var windows = document.querySelector('#windows tbody');
    var panel = kvdSpectrumPanel({
      record: r.id,
      box: document.getElementById('panel'),
      readOut: document.getElementById('read-out'),
      readOutImage: document.getElementById('read-out-svg'),
      mark: document.getElementById('boundary-mark'),
      onError: kvd.showError,
      onBoundary: function (index, channel) {
        document.getElementById('boundary-text').textContent = index >= 0
          ? t('boundary_chosen', { n: index + 1, channel: channel }) : '';
      },
      onState: function (state) {
        document.getElementById('zoom-label').textContent = state.zoom_label;
        document.getElementById('read-out-text').textContent = state.read_out
          ? t('read_out', { text: state.read_out.text, channel: state.read_out.channel, count: state.read_out.count }) : '';
        windows.replaceChildren();
        state.windows.forEach(function (w, i) {
          var row = kvd.row([String(i + 1), w.range, w.sum]);
          row.cells[2].className = 'n';
          windows.appendChild(row);
        });
      }
    });
    document.getElementById('zoom-in').addEventListener('click', panel.zoomIn);
    document.getElementById('zoom-out').addEventListener('click', panel.zoomOut);
    panel.open().catch(kvd.showError);
  }

  summary();
  page();
  spectrum();
  tables();
})();
