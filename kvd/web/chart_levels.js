// What the charts of the object page and of the protocol share: the levels
// a chart's values are judged by, drawn under its series (each a dashed red
// line with its name above it), and the time axis's labels.
function kvdDrawLevels(ctx, area, g, levels) {
  'use strict';
  levels.forEach(function (l) {
    var y = g.toDomYCoord(l.value);
    ctx.save();
    ctx.strokeStyle = '#d00000';
    ctx.setLineDash([8, 4]);
    ctx.lineWidth = 1.5;
    ctx.beginPath();
    ctx.moveTo(area.x, y);
    ctx.lineTo(area.x + area.w, y);
    ctx.stroke();
    ctx.fillStyle = '#d00000';
    ctx.font = '12px Arial, sans-serif';
    ctx.fillText(l.label, area.x + 6, y - 4);
    ctx.restore();
  });
}

// The time axis in the lab's own notation, whatever the page's language:
// "05.03" at midnight, "14:00" within a day. A chart of less than two days
// dates every label, "05.03.2024 14:00", or its hours would say no day.
function kvdTimeLabel(d, granularity, opts, g) {
  'use strict';
  function two(n) { return (n < 10 ? '0' : '') + n; }
  var day = two(d.getUTCDate()) + '.' + two(d.getUTCMonth() + 1);
  var time = two(d.getUTCHours()) + ':' + two(d.getUTCMinutes());
  var range = g && g.xAxisRange ? g.xAxisRange() : null;
  if (range && range[1] - range[0] < 2 * 86400e3) return day + '.' + d.getUTCFullYear() + ' ' + time;
  return d.getUTCHours() === 0 && d.getUTCMinutes() === 0 ? day : time;
}

// The time axis's options, a chart's own: its labels, with room for a date
// and a time.
function kvdTimeAxis() {
  'use strict';
  return { axisLabelFormatter: kvdTimeLabel, axisLabelWidth: 110, pixelsPerLabel: 120 };
}
