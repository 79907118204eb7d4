(function () {
  'use strict';
  var started = performance.now();
  var charts = JSON.parse(document.getElementById('kvd-chart-data').textContent);
  var list = document.getElementById('chart-list');
  var graphs = [], pending = charts.length, syncing = false;
  function done() {
    document.body.setAttribute('data-charts', 'drawn');
    document.body.setAttribute('data-chart-count', String(charts.length));
    document.body.setAttribute('data-chart-ms', String(Math.round(performance.now() - started)));
  }
  // One time axis for every chart: the whole period, whatever each chart's
  // own records span, and a zoom in one chart zooms them all.
  var first = Infinity, last = -Infinity;
  charts.forEach(function (c) {
    c.rows.forEach(function (r) { if (r[0] < first) first = r[0]; if (r[0] > last) last = r[0]; });
  });
  var full = first < last ? [first, last] : null;
  function follow(me) {
    if (syncing) return;
    syncing = true;
    var zoomed = me.isZoomed('x');
    var window = zoomed ? me.xAxisRange() : full;
    graphs.forEach(function (g) { if (g !== me || !zoomed) g.updateOptions({ dateWindow: window }); });
    syncing = false;
  }
  charts.forEach(function (c, i) {
    var title = document.createElement('div');
    title.className = 'chart-title';
    title.textContent = c.title;
    var box = document.createElement('div');
    box.className = 'chart';
    box.id = 'chart-' + i;
    list.appendChild(title);
    list.appendChild(box);
    var rows = c.rows.map(function (r) { r[0] = new Date(r[0]); return r; });
    var series = {};
    c.y2.forEach(function (name) { series[name] = { axis: 'y2' }; });
    var options = {
      labels: c.labels, labelsUTC: true, customBars: c.bars, series: series, ylabel: c.ylabel,
      dateWindow: full, valueRange: c.y2.length ? null : c.range, connectSeparatedPoints: false, drawPoints: rows.length < 400,
      legend: 'always', labelsSeparateLines: false, animatedZooms: false,
      axes: { y2: { independentTicks: true } },
      underlayCallback: function (ctx, area, g) { kvdDrawLevels(ctx, area, g, c.levels); },
      drawCallback: function (me, initial) {
        if (initial) {
          box.setAttribute('data-drawn', 'true');
          if (--pending === 0) done();
          return;
        }
        follow(me);
      }
    };
    graphs.push(new Dygraph(box, rows, options));
  });
  if (charts.length === 0) done();
})();
