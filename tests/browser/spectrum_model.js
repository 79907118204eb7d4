// The spectrum panel of a record page against the panel model: what the
// page shows, and what a second panel of the same record makes of every
// event the page sent.
'use strict';
const assert = require('node:assert/strict');

// What the page shows of the panel: the windows' ranges and sums, the zoom,
// the read-out.
function spectrumState(page) {
  return page.evaluate(() => ({
    ranges: Array.from(document.querySelectorAll('#windows tbody tr'), (tr) => tr.cells[1].textContent),
    sums: Array.from(document.querySelectorAll('#windows tbody tr'), (tr) => tr.cells[2].textContent),
    zoom: document.getElementById('zoom-label').textContent,
    readOut: document.getElementById('read-out-text').textContent,
  }));
}

// A second panel of the same record, given every event the page sent, says
// what the model makes of them.
async function replay(page, origin, record, calls) {
  const csrf = await page.getAttribute('meta[name=kvd-csrf]', 'content');
  const headers = { 'X-CSRF-Token': csrf, Origin: origin, 'Content-Type': 'application/json' };
  const opened = await page.request.post(origin + '/api/records/' + record + '/spectrum', { headers, data: {} });
  assert.equal(opened.status(), 200);
  const panel = (await opened.json()).panel;
  const events = [].concat(...calls.map((c) => c.events));
  const answer = await page.request.post(origin + '/api/spectrum/' + panel, { headers, data: { events } });
  assert.equal(answer.status(), 200);
  return answer.json();
}

// What the page shows once it agrees with the model (bounded: 10 s).
async function settled(page, origin, record, calls) {
  const deadline = Date.now() + 10000;
  for (;;) {
    const shown = await spectrumState(page);
    const model = await replay(page, origin, record, calls);
    const agree = shown.zoom === model.zoom_label &&
      JSON.stringify(shown.sums) === JSON.stringify(model.windows.map((w) => w.sum));
    if (agree || Date.now() > deadline) return { shown, model };
    await new Promise((r) => setTimeout(r, 100));
  }
}

module.exports = { spectrumState, replay, settled };
