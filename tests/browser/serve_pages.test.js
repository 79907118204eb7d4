// The pages of kvd serve as a lab uses them, in a real Chromium against a
// real server on a fresh archive: import two overlapping files, filter,
// select, assign to a point (then read the archive by SQL), open a record
// (its page against kvd render's, its spectrum panel against the model's
// own answer), the object with its protocol, an export, the Russian pages
// and Quit; no console error and no request outside the server throughout.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const h = require('./harness');
const fixtures = require('./fixtures');
const { spectrumState, settled } = require('./spectrum_model');

test('kvd serve pages', { timeout: 110000 }, async (t) => {
  const dir = h.tempDir();
  const files = fixtures.write(dir);
  const archive = path.join(dir, 'archive.sqlite');
  const server = h.startServer(archive);
  const at = await server.started;
  const { browser, context, page, problems, spectrumCalls } = await h.openBrowser(at.origin);
  page.setDefaultTimeout(15000);
  const state = {};
  t.after(async () => {
    await browser.close();
    await server.stop();
    fs.rmSync(dir, { recursive: true, force: true });
  });

  await t.test('the token opens the archive page and is dropped from the address', async () => {
    await page.goto(at.url);
    assert.equal(page.url(), at.origin + '/');
    await page.waitForSelector('#summary:not(:empty)');
  });

  await t.test('importing two overlapping files counts new and known records as the archive does', async () => {
    await page.setInputFiles('#files', [files.first, files.second]);
    const rows = page.locator('#import-results tbody tr');
    await rows.nth(1).waitFor();
    const cells = await rows.evaluateAll((trs) => trs.map((tr) => Array.from(tr.cells, (c) => c.textContent)));
    assert.deepEqual(cells.map((c) => c.slice(0, 4)), [
      ['first.kvd', String(fixtures.first.length), String(fixtures.first.length), '0'],
      ['second.kvd', String(fixtures.second.length), String(fixtures.second.length - fixtures.overlap), String(fixtures.overlap)],
    ]);
    await page.waitForFunction((n) => document.getElementById('summary').textContent.includes(String(n)), fixtures.distinct);
  });

  await t.test('a file dropped again is said to be imported already', async () => {
    const bytes = fs.readFileSync(files.first).toString('base64');
    await page.evaluate((b64) => {
      const raw = Uint8Array.from(atob(b64), (c) => c.charCodeAt(0));
      const dt = new DataTransfer();
      dt.items.add(new File([raw], 'again.kvd'));
      document.getElementById('drop').dispatchEvent(new DragEvent('drop', { dataTransfer: dt, bubbles: true, cancelable: true }));
    }, bytes);
    const row = page.locator('#import-results tr[data-file="again.kvd"]');
    await row.waitFor();
    const text = await row.textContent();
    assert.match(text, /already imported/);
    // It holds the first file's records, each known.
    const n = String(fixtures.first.length);
    assert.deepEqual(await row.evaluate((tr) => Array.from(tr.cells, (c) => c.textContent).slice(1, 4)), [n, '0', n]);
  });

  await t.test('a folder gives only its measurement files, in any letter case', async () => {
    const folder = path.join(dir, 'lab');
    fs.mkdirSync(path.join(folder, 'march'), { recursive: true });
    fs.copyFileSync(files.second, path.join(folder, 'march', 'SECOND.KVD'));
    fs.writeFileSync(path.join(folder, 'notes.txt'), 'not a measurement file');
    await page.setInputFiles('#folder', folder);
    const row = page.locator('#import-results tbody tr');
    await page.locator('#import-results tr[data-file="lab/march/SECOND.KVD"]').waitFor();
    assert.equal(await row.count(), 1);
    assert.match(await row.first().textContent(), /already imported/);
  });

  await t.test('a new object is created from the form', async () => {
    await page.click('#new-object summary');
    await page.fill('#o-name', fixtures.object.name);
    await page.fill('#o-address', fixtures.object.address);
    await page.fill('#o-client', fixtures.object.client);
    await page.press('#o-notes', 'Tab');
    await page.click('#object-form button[type=submit]');
    await page.locator('#object-list h3 a', { hasText: fixtures.object.name }).waitFor();
    await page.locator('#import-list tbody tr').nth(1).waitFor();
    await h.screenshot(page, 'serve-archive.png');
    await page.setViewportSize({ width: 375, height: 740 });
    await h.screenshot(page, 'serve-archive-phone.png');
    // At a phone's width a wide table scrolls in its own box; the page does not.
    assert.equal(await page.evaluate(() => document.documentElement.scrollWidth), 375);
    await page.setViewportSize({ width: 1366, height: 768 });
  });

  await t.test('the records list filters, and Shift+click selects a range', async () => {
    await page.click('header.top a[data-page=records]');
    await page.waitForSelector('#spacer .row[data-id]');
    // One value column: the record browser's value ± error, in its unit.
    assert.match(await page.textContent('#spacer .row[data-index="0"] .c-value'), /^108 \u00B1 10 \S/);
    assert.match(await page.textContent('#spacer .row[data-index="5"] .c-value'), /^148 \u00B1 21 \S/);
    const counts = page.locator('#counts');
    await assertText(counts, new RegExp('^Records: ' + fixtures.distinct + ','));
    await page.selectOption('#f-device', String(fixtures.secondDevice));
    await assertText(counts, new RegExp('^Records: ' + fixtures.onSecondDevice + ','));
    await page.click('#f-clear');
    await assertText(counts, new RegExp('^Records: ' + fixtures.distinct + ','));
    await page.fill('#f-from', '06.07.2019');
    await page.press('#f-from', 'Enter');
    await assertText(counts, new RegExp('^Records: ' + fixtures.onSecondDevice + ','));
    await page.click('#f-clear');
    await assertText(counts, new RegExp('^Records: ' + fixtures.distinct + ','));
    // A heading sorts; a second click turns the order round.
    await page.click('.list-head .c-id');
    await page.click('.list-head .c-id');
    await page.waitForSelector('#spacer .row[data-index="0"][data-id="' + fixtures.distinct + '"]');
    await page.click('.list-head .c-date');
    await page.waitForSelector('#spacer .row[data-index="0"][data-id="1"]');
    await page.waitForSelector('#spacer .row[data-index="4"][data-id]');
    await page.click('#spacer .row[data-index="1"]');
    await page.click('#spacer .row[data-index="3"]', { modifiers: ['Shift'] });
    await assertText(counts, /selected: 3$/);
    state.selected = await selectedIds(page, 3);
    assert.deepEqual(state.selected, [2, 3, 4]);
    // The keyboard extends the same selection.
    await page.keyboard.press('Shift+ArrowDown');
    await assertText(counts, /selected: 4$/);
    await page.keyboard.press('Shift+ArrowUp');
    await assertText(counts, /selected: 3$/);
  });

  await t.test('assigning the selection to a new point is in the archive', async () => {
    await page.click('#assign');
    await page.fill('#a-object', fixtures.object.name);
    await page.fill('#a-floor', '1');
    await page.fill('#a-room', '101');
    await page.fill('#a-point', 'A');
    await page.click('#assign-ok');
    await assertText(page.locator('#action-result'), /Assigned: 3/);
    const rows = h.sql(archive, 'SELECT object, floor, room, point FROM records WHERE record_id IN (' +
      state.selected.join(',') + ') ORDER BY record_id');
    assert.deepEqual(rows.split('\n'), state.selected.map(() => fixtures.object.name + '|1|101|A'));
  });

  await t.test('records at another point are moved only when the user confirms', async () => {
    await page.click('#spacer .row[data-index="3"]');
    await page.click('#spacer .row[data-index="4"]', { modifiers: ['Shift'] });
    await page.click('#assign');
    await page.fill('#a-point', 'B');
    await page.click('#assign-ok');
    await page.locator('#assign-move').waitFor({ state: 'visible' });
    const moved = await selectedIds(page, 2);
    state.moved = moved;
    assert.equal(h.sql(archive, 'SELECT point FROM records WHERE record_id = ' + moved[0]), 'A');
    await page.click('#assign-move');
    await assertText(page.locator('#action-result'), /moved: 1/);
    assert.equal(h.sql(archive, 'SELECT group_concat(point) FROM records WHERE record_id IN (' + moved.join(',') + ')'), 'B,B');
  });

  await t.test('the selection exports as CSV', async () => {
    await page.selectOption('#format', 'csv');
    const csv = await h.downloaded(page, () => page.click('#export'));
    // Named after the one object that the chosen records stand at.
    assert.match(csv.name, new RegExp('^' + fixtures.object.name + '-selection-\\d{4}-\\d{2}-\\d{2}\\.csv$'));
    const lines = csv.text.trim().split(/\r?\n/);
    assert.equal(lines[0].split(',')[0], 'Record ID');
    assert.deepEqual(lines.slice(1).map((l) => Number(l.split(',')[0])), state.moved);
    await h.screenshot(page, 'serve-records.png');
  });

  await t.test('the unassigned filter lists the records that no point holds', async () => {
    const unassigned = h.sql(archive, 'SELECT count(*) FROM records WHERE object IS NULL');
    await page.check('#f-unassigned');
    await assertText(page.locator('#counts'), new RegExp('^Records: ' + unassigned + ','));
    assert.equal(await page.isDisabled('#f-object'), true);
    await page.uncheck('#f-unassigned');
    await assertText(page.locator('#counts'), new RegExp('^Records: ' + fixtures.distinct + ','));
  });

  await t.test('a record opens with Enter, its page as kvd render draws it', async () => {
    // Enter opens a row whose record has come, not one still loading.
    await page.waitForSelector('#spacer .row[data-index="0"][data-id]');
    await page.click('#spacer .row[data-index="0"]');
    await page.keyboard.press('Enter');
    await page.waitForURL(/\/records\/\d+$/);
    state.record = Number(page.url().split('/').pop());
    await page.waitForFunction(() => { const i = document.getElementById('page-svg'); return i.complete && i.naturalWidth > 0; });
    const shown = await page.evaluate(() => fetch(document.getElementById('page-svg').src).then((r) => r.text()));
    const sighting = await page.locator('#sightings tbody tr').first().evaluate((tr) => [tr.cells[0].textContent, tr.cells[1].textContent]);
    const rendered = path.join(path.dirname(files.first), 'rendered.svg');
    execFileSync(h.env.kvd, ['render', files[sighting[0].replace(/\.kvd$/, '')] + ',' + sighting[1], '-o', rendered]);
    assert.equal(shown, fs.readFileSync(rendered, 'utf8'));
    assert.ok(await page.locator('#fields tbody tr').count() > 10);
  });

  await t.test('a window boundary dragged shows the sums the panel model gives', async () => {
    const panel = page.locator('#panel svg.panel-svg');
    await panel.waitFor();
    await panel.scrollIntoViewIfNeeded();
    const opened = await spectrumState(page);
    const bound = fixtures.spectrum.bounds[1];
    const box = await panel.boundingBox();
    const x = (c) => box.x + fixtures.spectrum.channelX(c) + 0.5;
    const y = box.y + 150;
    // The page sends what came while a request was on its way in the next
    // one: the drag is over once the request with the release is answered.
    // Until then the page and the model agree on a state from before the
    // drag, which is no answer.
    const released = page.waitForResponse((r) => /\/api\/spectrum\//.test(r.url()) &&
      (JSON.parse(r.request().postData() || '{}').events || []).some((e) => e.type === 'up'));
    await page.mouse.move(x(bound), y);
    await page.mouse.down();
    for (let c = bound + 1; c < bound + 12; c += 3) await page.mouse.move(x(c), y);
    await page.mouse.move(x(bound + 12), y);
    await page.mouse.up();
    await released;
    const { shown, model } = await settled(page, at.origin, state.record, spectrumCalls);
    assert.deepEqual(model.boundaries.slice(0, 2), [fixtures.spectrum.bounds[0], bound + 12]);
    assert.notDeepEqual(shown.sums, opened.sums);
    assert.deepEqual(shown.sums, model.windows.map((w) => w.sum));
    assert.deepEqual(shown.ranges, model.windows.map((w) => w.range));
  });

  await t.test('the read-out follows the channel, the keys and the zoom', async () => {
    const panel = page.locator('#panel svg.panel-svg');
    const box = await panel.boundingBox();
    const channel = 100;
    await page.mouse.click(box.x + fixtures.spectrum.channelX(channel) + 0.5, box.y + 150);
    await assertText(page.locator('#read-out-text'), new RegExp('Channel ' + channel + ':'));
    await page.keyboard.press('ArrowRight');
    await assertText(page.locator('#read-out-text'), new RegExp('Channel ' + (channel + 1) + ':'));
    const before = await page.textContent('#zoom-label');
    await page.keyboard.press('ArrowUp');
    await page.waitForFunction((z) => document.getElementById('zoom-label').textContent !== z, before);
    const { shown, model } = await settled(page, at.origin, state.record, spectrumCalls);
    assert.equal(model.zoom_step, 5);
    assert.equal(shown.zoom, model.zoom_label);
    assert.equal(shown.readOut, 'Channel ' + model.read_out.channel + ': ' + model.read_out.count);
    assert.equal(model.read_out.channel, channel + 1);
    await page.click('#zoom-out');
    await page.waitForFunction((z) => document.getElementById('zoom-label').textContent === z, before);
    await h.screenshot(page, 'serve-record.png');
  });

  await t.test('the object page draws its charts and its protocol, which downloads', async () => {
    const id = h.sql(archive, "SELECT object_id FROM objects WHERE name = '" + fixtures.object.name + "'");
    await page.goto(at.origin + '/objects/' + id);
    await page.waitForSelector('body[data-charts=drawn]');
    assert.equal(await page.inputValue('#o-address'), fixtures.object.address);
    const frame = page.frameLocator('#protocol');
    await frame.locator('body[data-charts=drawn]').waitFor();
    assert.match(await frame.locator('.object-name').textContent(), new RegExp(fixtures.object.name));
    const protocol = await h.downloaded(page, () => page.click('#protocol-download'));
    assert.match(protocol.text, new RegExp(fixtures.object.name));
    assert.match(protocol.text, /^<!DOCTYPE html>/);
    await h.screenshot(page, 'serve-object.png');
  });

  await t.test('the language switch gives Russian pages', async () => {
    await page.click('header.top a[data-lang=ru]');
    await page.waitForSelector('html[lang=ru]');
    assert.equal(await page.textContent('header.top a[data-page=archive]'), 'Архив');
    await page.goto(at.origin + '/records');
    await page.waitForSelector('#spacer .row[data-id]');
    assert.match(await page.textContent('#counts'), /^Записей: \d+, выбрано: 0$/);
    assert.equal(await page.textContent('.list-head .c-value'), 'Значение');
    await h.screenshot(page, 'serve-records-ru.png');
  });

  await t.test("the server's refusals read in Russian on the Russian pages", async () => {
    await page.goto(at.origin + '/');
    const short = path.join(dir, 'short.kvd');
    fs.writeFileSync(short, 'x');
    await page.setInputFiles('#files', [short]);
    await page.locator('#import-results tr[data-file="short.kvd"]', {
      hasText: 'нет ни одной целой записи (в файле байт: 1, в записи — 688)' }).waitFor();
    await page.click('#new-object summary');
    await page.fill('#o-name', fixtures.object.name);
    await page.click('#object-form button[type=submit]');
    await page.locator('#kvd-error-text', { hasText: 'Объект с таким названием уже есть.' }).waitFor();
    await h.screenshot(page, 'serve-archive-ru-refusals.png');
  });

  await t.test('nothing went wrong in the browser and nothing left the server', () => {
    assert.deepEqual(problems, []);
  });

  await t.test('Quit stops the server once asked', async () => {
    await page.click('#kvd-quit');
    await page.click('#kvd-quit-ok');
    await page.locator('#kvd-stopped:not([hidden])').waitFor();
    const ended = await Promise.race([server.exited, new Promise((r) => setTimeout(() => r('still running'), 10000))]);
    assert.deepEqual(ended, { code: 0, signal: null });
  });
});

// The ids of the rows drawn as selected, once `count` of them are with
// their records (the list draws on the next frame after a click, and a row
// still loading is drawn selected without its record).
async function selectedIds(page, count) {
  await page.waitForFunction((n) => document.querySelectorAll('#spacer .row.selected[data-id]').length === n, count);
  return page.$$eval('#spacer .row.selected', (rows) => rows.map((r) => Number(r.dataset.id)).sort((a, b) => a - b));
}

async function assertText(locator, pattern) {
  const deadline = Date.now() + 10000;
  let text = '';
  while (Date.now() < deadline) {
    text = await locator.textContent();
    if (pattern.test(text)) return;
    await new Promise((r) => setTimeout(r, 50));
  }
  assert.match(text, pattern);
}
