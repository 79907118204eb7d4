// The object page: its data, which can be edited, its points, a chart per
// point over its placements (drawn as the report draws its charts), its
// draft protocol, which is the archive report itself, and its history from
// the audit trail. The placements' own table is serve_placements.js's, the
// issued protocols serve_protocols.js's.
(function () {
  'use strict';
  var t = kvd.t, o = kvd.data;
  var kData = ['name', 'address', 'client', 'notes', 'kind'];
  // The form for a role that may change the object, else the data as text.
  var form = document.getElementById('object-form');
  var history = kvdAudit.list({
    table: document.getElementById('audit'), more: document.getElementById('audit-more'),
    limit: document.getElementById('audit-limit')
  });

  // The kind in words: in-use, new, workplace.
  function shown(k) {
    if (k === 'kind') return o.kind ? t('kind_' + o.kind.replace(/-/g, '_')) : '';
    return o[k] || '';
  }

  function showData() {
    document.getElementById('object-title').textContent = t('object') + ': ' + o.name;
    document.title = o.name + ' — ' + t('app_name');
    kData.forEach(function (k) {
      if (form) form.elements[k].value = o[k] || '';
      else document.querySelector('#object-data [data-key="' + k + '"]').textContent = shown(k);
    });
    document.getElementById('records-link').href = '/records#' + new URLSearchParams({ object: o.name }).toString();
  }

  if (form) form.addEventListener('submit', function (e) {
    e.preventDefault();
    // "Saved." belongs to the save before: this one may be refused.
    document.getElementById('saved').textContent = '';
    var body = {};
    kData.forEach(function (k) { body[k] = form.elements[k].value.trim(); });
    kvd.post('/api/objects/' + encodeURIComponent(o.id), kvd.withReason(body, form)).then(function (answer) {
      Object.assign(o, answer || body);
      showData();
      form.elements.reason.value = '';
      document.getElementById('saved').textContent = t('saved');
      kvd.clearError();
      protocol();
      history.show({ object: o.name });
    }, kvd.showError);
  });

  function tables() {
    var body = document.querySelector('#points tbody');
    (o.points || []).forEach(function (p) {
      var link = kvd.link('/records#' + new URLSearchParams({ object: o.name, floor: p.floor, room: p.room, point: p.point })
        .toString(), p.point || '—');
      var row = kvd.row([p.floor, p.room, link, p.records]);
      row.cells[3].className = 'n';
      body.appendChild(row);
    });
  }

  function two(n) { return (n < 10 ? '0' : '') + n; }
  function dateText(d) {
    return two(d.getUTCDate()) + '.' + two(d.getUTCMonth() + 1) + '.' + d.getUTCFullYear() + ' ' +
      two(d.getUTCHours()) + ':' + two(d.getUTCMinutes()) + ':' + two(d.getUTCSeconds());
  }
  // The instrument keeps no time zone: its clock is read as UTC throughout.
  function instant(text) { return new Date(text.replace(' ', 'T') + 'Z'); }

  // dygraphs' legend measures itself through a style attribute even when
  // it is not shown, which the page's Content-Security-Policy refuses; the
  // charts go without it and show the value under the pointer themselves.
  function withoutLegend() {
    if (Dygraph.Plugins && Dygraph.Plugins.Legend) {
      Dygraph.PLUGINS = Dygraph.PLUGINS.filter(function (p) { return p !== Dygraph.Plugins.Legend; });
    }
  }

  // Records of one instant would give a chart of no width, which draws
  // nothing: an hour either side of it instead.
  function singleInstant(rows) {
    if (!rows.length) return null;
    var first = rows[0][0].getTime();
    var same = rows.every(function (r) { return r[0].getTime() === first; });
    return same ? [first - 3600e3, first + 3600e3] : null;
  }

  var graphs = [];
  function charts() {
    withoutLegend();
    var box = document.getElementById('charts');
    var series = o.series || [];
    var pending = series.length;
    function done() { document.body.setAttribute('data-charts', 'drawn'); }
    if (pending === 0) { box.appendChild(kvd.el('p', 'help', t('charts_none'))); done(); return; }
    series.forEach(function (s, i) {
      var figure = kvd.el('figure', 'chart');
      var caption = kvd.el('figcaption', null, kvd.placeText(s, false) + ' (' + s.unit + ')');
      var area = kvd.el('div', 'chart-area');
      var readOut = kvd.el('output', 'chart-value');
      area.id = 'chart-' + i;
      caption.appendChild(readOut);
      figure.appendChild(caption);
      figure.appendChild(area);
      box.appendChild(figure);
      // Read at every drawing: a placement corrected on the page shades anew.
      function placements() {
        return (o.placements || []).filter(function (p) {
          return p.floor === s.floor && p.room === s.room && p.point === s.point && p.from && p.to;
        }).map(function (p) { return [instant(p.from), instant(p.to)]; });
      }
      var rows = s.rows.map(function (r) { return [instant(r[0]), [r[1], r[2] === null ? 0 : r[2]]]; });
      graphs.push(new Dygraph(area, rows, {
        labels: [t('col_date'), s.unit], labelsUTC: true, errorBars: true, sigma: 1, drawPoints: true,
        dateWindow: singleInstant(rows),
        animatedZooms: false,
        highlightCallback: function (e, x, points) {
          var p = points[0];
          if (p) readOut.textContent = dateText(new Date(x)) + ' — ' + p.yval + ' ' + s.unit;
        },
        unhighlightCallback: function () { readOut.textContent = ''; }, ylabel: s.unit, axes: { x: kvdTimeAxis() },
        underlayCallback: function (ctx, a, g) {
          ctx.save();
          ctx.fillStyle = 'rgba(255, 170, 0, 0.12)';
          placements().forEach(function (p) {
            var left = g.toDomXCoord(p[0]), right = g.toDomXCoord(p[1]);
            ctx.fillRect(left, a.y, Math.max(1, right - left), a.h);
          });
          ctx.restore();
          kvdDrawLevels(ctx, a, g, s.levels || []);
        },
        drawCallback: function (g, initial) {
          if (!initial) return;
          area.setAttribute('data-drawn', 'true');
          if (--pending === 0) done();
        }
      }));
    });
  }

  function protocol() {
    var path = '/api/objects/' + encodeURIComponent(o.id) + '/protocol?lang=' + encodeURIComponent(kvd.lang);
    document.getElementById('protocol').src = path;
    document.getElementById('protocol-download').href = path + '&download=1';
    var pdf = document.getElementById('protocol-pdf');
    if (pdf) pdf.href = path + '&format=pdf';
  }
  // The protocol's frame is as tall as the protocol (it is of this page's
  // origin), so that it reads with the page instead of in a box of its own;
  // the frame's border and a wide table's scroll bar in it are added.
  var frame = document.getElementById('protocol');
  function fitProtocol() {
    var doc = frame.contentDocument;
    if (!doc || !doc.documentElement) return;
    var bar = frame.contentWindow.innerHeight - doc.documentElement.clientHeight;
    var border = frame.offsetHeight - frame.clientHeight;
    frame.style.height = Math.ceil(doc.documentElement.getBoundingClientRect().height + bar + border) + 'px';
  }
  frame.addEventListener('load', function () {
    var win = frame.contentWindow;
    if (!frame.contentDocument || !win.ResizeObserver) return;
    new win.ResizeObserver(fitProtocol).observe(frame.contentDocument.documentElement);
    fitProtocol();
  });

  // The protocol prints by itself, as the lab hands it out, not inside this page.
  document.getElementById('print').addEventListener('click', function () {
    var frame = document.getElementById('protocol');
    try { frame.contentWindow.focus(); frame.contentWindow.print(); } catch (e) { window.print(); }
  });

  // The placements changed on the page (serve_placements.js): the charts
  // shade them anew and the protocol is made again.
  document.addEventListener('kvd:placements', function () {
    graphs.forEach(function (g) { g.updateOptions({}); });
    protocol();
    history.reload();
  });

  document.addEventListener('kvd:protocol-issued', function () { history.reload(); });

  showData();
  tables();
  charts();
  protocol();
  history.show({ object: o.name });
})();
