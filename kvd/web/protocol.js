// The protocol's charts: one per point and unit, over the point's placements
// (shaded), with the levels that judge the point as dashed lines. The data
// comes from the page itself; nothing is fetched.
(function () {
  'use strict';
  var charts = JSON.parse(document.getElementById('kvd-protocol-charts').textContent);
  var pending = charts.length;
  function done() {
    document.body.setAttribute('data-charts', 'drawn');
    document.body.setAttribute('data-chart-count', String(charts.length));
  }
  // A printed protocol shows every point's records.
  window.addEventListener('beforeprint', function () {
    document.querySelectorAll('details.records').forEach(function (d) { d.open = true; });
  });
  charts.forEach(function (c, i) {
    var box = document.getElementById('chart-' + i);
    if (!box) { if (--pending === 0) done(); return; }
    var rows = c.rows.map(function (r) { r[0] = new Date(r[0]); return r; });
    new Dygraph(box, rows, {
      labels: c.labels, labelsUTC: true, customBars: true, ylabel: c.ylabel,
      dateWindow: c.window, valueRange: c.range, drawPoints: true, legend: 'always',
      animatedZooms: false, axes: { x: kvdTimeAxis() },
      underlayCallback: function (ctx, area, g) {
        ctx.save();
        ctx.fillStyle = 'rgba(255, 170, 0, 0.12)';
        c.placements.forEach(function (p) {
          var left = g.toDomXCoord(p[0]), right = g.toDomXCoord(p[1]);
          ctx.fillRect(left, area.y, Math.max(1, right - left), area.h);
        });
        ctx.restore();
        kvdDrawLevels(ctx, area, g, c.levels);
      },
      drawCallback: function (g, initial) {
        if (!initial) return;
        box.setAttribute('data-drawn', 'true');
        if (--pending === 0) done();
      }
    });
  });
  if (charts.length === 0) done();
})();
