// The pages in detail, in a real Chromium against a real kvd serve for
// this computer: the spectrum panel worked
// from the keyboard alone, its sums the model's; a filter text too long for
// the server refused by its name; the object page's charts of a few hours
// dated, its protocol whole in the page, a refused save not said saved;
// Quit asking first, and the pages saying that the server has gone.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const h = require('./harness');
const fixtures = require('./fixtures');
const { spectrumState, settled } = require('./spectrum_model');

test('kvd serve pages in detail', { timeout: 110000 }, async (t) => {
  const dir = h.tempDir();
  const files = fixtures.write(dir);
  const archive = path.join(dir, 'archive.sqlite');
  const kvd = (args) => execFileSync(h.env.kvd, ['archive', '--archive', archive].concat(args), { stdio: 'ignore' });
  kvd(['import', files.first]);
  kvd(['object', 'add', 'School 5']);
  kvd(['object', 'add', 'School 6']);
  kvd(['assign', 'School 5', '--room', '101', '--file', files.first]);
  const server = h.startServer(archive, []);
  const at = await server.started;
  const { browser, context, page, problems, spectrumCalls } =
    await h.openBrowser(at.origin, [{ path: '/api/records', status: 400 }, { path: /^\/api\/objects\/\d+$/, status: 409 }]);
  page.setDefaultTimeout(15000);
  t.after(async () => {
    await browser.close();
    await server.stop();
    fs.rmSync(dir, { recursive: true, force: true });
  });
  await page.goto(at.url);
  // The first record of the first file: three boundaries.
  const record = 1;
  const [b1, b2, b3] = fixtures.spectrum.bounds;
  const boundaryText = page.locator('#boundary-text');

  await t.test('right after Tab, Left starts the read-out and moves it', async () => {
    await page.goto(at.origin + '/records/' + record);
    await page.locator('#panel svg.panel-svg').waitFor();
    await page.focus('#zoom-out');
    await page.keyboard.press('Tab');
    assert.equal(await page.evaluate(() => document.activeElement.id), 'panel');
    await page.keyboard.press('ArrowLeft');
    await page.locator('#read-out-text', { hasText: /^Channel 135: \d+$/ }).waitFor();
    const { shown, model } = await settled(page, at.origin, record, spectrumCalls);
    assert.equal(model.read_out.channel, 135);
    assert.equal(shown.readOut, 'Channel 135: ' + model.read_out.count);
  });

  await t.test('a boundary chosen from the keyboard moves as a drag moves it, within its limits', async () => {
    const opened = await spectrumState(page);
    // Each run of keys goes one way only, so the boundary's last channel
    // is shown only once every key of the run has been answered.
    const steps = [
      { key: '2', arrow: 'ArrowLeft', times: 3, index: 1, from: b2, to: b1 + 1, bounds: [b1, b1 + 1, b3] },
      { key: '3', arrow: 'ArrowRight', times: 5, index: 2, from: b3, to: b3 + 5, bounds: [b1, b1 + 1, b3 + 5] },
      { key: '1', arrow: 'ArrowLeft', times: 30, index: 0, from: b1, to: 19, bounds: [19, b1 + 1, b3 + 5] },
    ];
    for (const s of steps) {
      await page.keyboard.press(s.key);
      const said = (channel) => 'Boundary ' + (s.index + 1) + ' (channel ' + channel + ')';
      await page.locator('#boundary-text', { hasText: said(s.from) }).waitFor();
      assert.equal(await page.isVisible('#boundary-mark'), true);
      for (let k = 0; k < s.times; ++k) await page.keyboard.press(s.arrow);
      await page.locator('#boundary-text', { hasText: said(s.to) }).waitFor();
      const { shown, model } = await settled(page, at.origin, record, spectrumCalls);
      assert.deepEqual(model.boundaries, s.bounds, s.key);
      assert.deepEqual(shown.sums, model.windows.map((w) => w.sum), s.key);
      assert.deepEqual(shown.ranges, model.windows.map((w) => w.range), s.key);
    }
    assert.notDeepEqual((await spectrumState(page)).sums, opened.sums);
    await h.screenshot(page, 'serve-record-boundary.png');
    // Escape lets the boundary go: the arrows move the read-out again.
    await page.keyboard.press('Escape');
    await page.locator('#boundary-mark').waitFor({ state: 'hidden' });
    assert.equal(await boundaryText.textContent(), '');
    await page.keyboard.press('ArrowRight');
    await page.locator('#read-out-text', { hasText: /^Channel 136: / }).waitFor();
  });

  await t.test('a filter text of 20,000 characters is refused by its name', async () => {
    await page.goto(at.origin + '/records');
    await page.waitForSelector('#spacer .row[data-id]');
    await page.fill('#f-room', 'x'.repeat(20000));
    await page.locator('#kvd-error-text', { hasText: '“Room” is too long: at most 500 characters.' }).waitFor();
  });

  await t.test('the object page dates its charts of hours, shows its protocol whole and a refusal unsaved', async () => {
    await page.goto(at.origin + '/objects/1');
    await page.waitForSelector('body[data-charts=drawn]');
    // The records of a point span a few hours: every label says the day.
    const labels = await page.$$eval('#charts .dygraph-axis-label-x', (l) => l.map((e) => e.textContent));
    assert.ok(labels.length > 0);
    for (const l of labels) assert.match(l, /^\d\d\.\d\d\.\d{4} \d\d:\d\d$/);
    await page.frameLocator('#protocol').locator('body[data-charts=drawn]').waitFor();
    await page.waitForFunction(() => {
      const d = document.getElementById('protocol').contentDocument.documentElement;
      return d.scrollHeight > 1000 && d.scrollHeight <= d.clientHeight;
    });
    await page.fill('#o-address', 'ул. Мира, 5');
    await page.click('#object-form button[type=submit]');
    await page.locator('#saved', { hasText: 'Saved.' }).waitFor();
    await page.fill('#o-name', 'School 6');
    await page.click('#object-form button[type=submit]');
    await page.locator('#kvd-error-text', { hasText: 'There is an object of this name already.' }).waitFor();
    assert.equal(await page.textContent('#saved'), '');
  });

  await t.test('nothing went wrong in the browser and nothing left the server', () => {
    assert.deepEqual(problems, []);
  });

  await t.test('Quit asks first', async () => {
    const other = await context.newPage();
    await other.goto(at.origin + '/records');
    await other.waitForSelector('#spacer .row[data-id]');
    await page.click('#kvd-quit');
    await page.locator('#kvd-quit-dialog[open]').waitFor();
    assert.match(await page.textContent('#kvd-quit-text'), /^The server stops and these pages stop working/);
    await h.screenshot(page, 'serve-quit.png');
    // Cancel keeps the server.
    await page.click('#kvd-quit-cancel');
    await page.locator('#kvd-quit-dialog').waitFor({ state: 'hidden' });
    assert.equal((await page.request.get(at.origin + '/api/session')).status(), 200);
    await page.click('#kvd-quit');
    await page.click('#kvd-quit-ok');
    await page.locator('#kvd-stopped', { hasText: 'The server has stopped' }).waitFor();
    assert.equal(await page.isVisible('main'), false);
    await h.screenshot(page, 'serve-stopped.png');
    assert.deepEqual(await server.exited, { code: 0, signal: null });
    // Another tab learns it at its next request.
    await other.fill('#f-room', '101');
    await other.locator('#kvd-stopped', { hasText: 'The server cannot be reached' }).waitFor();
  });
});
