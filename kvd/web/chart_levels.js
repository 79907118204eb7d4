// The levels a chart's values are judged by, drawn under its series: each a
// dashed red line with its name above it, the same in the report's charts
// and the protocol's.
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
