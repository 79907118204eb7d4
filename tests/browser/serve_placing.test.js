// Placing records in a real Chromium against a real kvd serve: the assign
// dialog offers to move records only after the archive refused, naming how
// many stand at which point, and creates an object that does not exist;
// the instruments page mends a device's verification, a bad date refused
// at its field; the object page corrects and removes a placement. Every
// change is read back from the archive by SQL.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const h = require('./harness');
const fixtures = require('./fixtures');

const refusals = [
  { path: '/api/assign', status: 404 },
  { path: /^\/api\/devices\/\d+$/, status: 400 },
  { path: /^\/api\/placements\/\d+$/, status: 400 },
];

test('placing records, instruments and placements', { timeout: 110000 }, async (t) => {
  const dir = h.tempDir();
  const files = fixtures.write(dir);
  const archive = path.join(dir, 'archive.sqlite');
  execFileSync(h.env.kvd, ['archive', '--archive', archive, 'import', files.first, files.second], { stdio: 'ignore' });
  const server = h.startServer(archive);
  const at = await server.started;
  const { browser, page, problems } = await h.openBrowser(at.origin, refusals);
  page.setDefaultTimeout(15000);
  t.after(async () => {
    await browser.close();
    await server.stop();
    fs.rmSync(dir, { recursive: true, force: true });
  });
  const name = fixtures.object.name;
  const where = (ids) => h.sql(archive, "SELECT group_concat(coalesce(point, '-'), ',') FROM (SELECT point FROM records " +
    'WHERE record_id IN (' + ids.join(',') + ') ORDER BY record_id)');

  // Rows `first` to `last` of the list selected (the list draws the
  // selection on the next frame, and a row still loading is drawn selected
  // without its record).
  async function select(first, last) {
    await page.click('#spacer .row[data-index="' + first + '"]');
    if (last > first) await page.click('#spacer .row[data-index="' + last + '"]', { modifiers: ['Shift'] });
    await page.waitForFunction((n) => document.querySelectorAll('#spacer .row.selected[data-id]').length === n,
      last - first + 1);
    return page.$$eval('#spacer .row.selected', (rows) => rows.map((r) => Number(r.dataset.id)).sort((a, b) => a - b));
  }
  async function openDialog() {
    await page.click('#assign');
    await page.locator('#assign-dialog[open]').waitFor();
  }

  await t.test('a fresh dialog offers no move', async () => {
    await page.goto(at.url);
    await page.goto(at.origin + '/records');
    await page.waitForSelector('#spacer .row[data-index="4"][data-id]');
    await select(0, 2);
    await openDialog();
    assert.equal(await page.isVisible('#assign-ok'), true);
    assert.equal(await page.isVisible('#assign-move'), false);
    assert.equal(await page.isVisible('#assign-create'), false);
  });

  await t.test('an object that does not exist is said so, then created in the dialog and assigned', async () => {
    const ids = await page.$$eval('#spacer .row.selected', (rows) => rows.map((r) => Number(r.dataset.id)));
    await page.fill('#a-object', name);
    await page.fill('#a-floor', '1');
    await page.fill('#a-room', '101');
    await page.fill('#a-point', 'A');
    await page.click('#assign-ok');
    await page.locator('#assign-new').waitFor();
    assert.equal(await page.textContent('#assign-conflict'),
      'There is no object \u201C' + name + '\u201D in the archive. Create it here, then the records are assigned to it:');
    assert.equal(await page.inputValue('#a-new-name'), name);
    assert.equal(await page.isVisible('#assign-move'), false);
    assert.equal(h.sql(archive, 'SELECT count(*) FROM objects'), '0');
    await page.fill('#a-new-address', fixtures.object.address);
    await page.click('#assign-create');
    await page.locator('#action-result', { hasText: 'Assigned: 3,' }).waitFor();
    await page.locator('#spacer .row[data-index="2"] .c-place', { hasText: 'point A' }).waitFor();
    assert.equal(h.sql(archive, 'SELECT name, address FROM objects'), name + '|' + fixtures.object.address);
    assert.equal(where(ids), 'A,A,A');
  });

  await t.test('"Move them" comes only with the refusal, which counts the records at each point, and moves', async () => {
    await select(3, 3);
    await openDialog();
    await page.fill('#a-point', 'B');
    await page.click('#assign-ok');
    await page.locator('#action-result', { hasText: 'Assigned: 1,' }).waitFor();
    await page.locator('#spacer .row[data-index="3"] .c-place', { hasText: 'point B' }).waitFor();
    const ids = await select(1, 4);
    await openDialog();
    assert.equal(await page.isVisible('#assign-move'), false);
    await page.fill('#a-point', 'C');
    await page.click('#assign-ok');
    await page.locator('#assign-move').waitFor({ state: 'visible' });
    const place = (point) => name + ', floor 1, room 101, point ' + point;
    assert.equal(await page.innerText('#assign-conflict'), '3 of the records stand at another point: ' + place('A') +
      ' (2); ' + place('B') + ' (1).\nMove them to this point?');
    assert.equal(await page.isVisible('#assign-ok'), false);
    assert.equal(where(ids), 'A,A,B,-', 'a refusal changes nothing');
    await h.screenshot(page, 'serve-assign-refused.png');
    await page.click('#assign-move');
    await page.locator('#action-result', { hasText: 'moved: 3.' }).waitFor();
    assert.equal(where(ids), 'C,C,C,C');
  });

  await t.test('the instruments page mends a verification, a bad date refused at its field', async () => {
    await page.click('header.top a[data-page=instruments]');
    const row = page.locator('#devices tr[data-device="1137"]');
    assert.match(await row.textContent(), /no verification on record/);
    assert.equal(await page.locator('#devices tbody tr[data-device]').count(), 2);
    await row.locator('button').click();
    await page.locator('#device-dialog[open]').waitFor();
    await page.fill('#d-certificate', 'C-17/2019');
    await page.fill('#d-from', '31.02.2019');
    await page.fill('#d-until', '2020-02-29');
    await page.click('#device-save');
    await page.locator('#d-from-error', { hasText: '\u201C31.02.2019\u201D is not a date: write dd.mm.yyyy.' }).waitFor();
    assert.equal(await page.getAttribute('#d-from', 'aria-invalid'), 'true');
    assert.equal(h.sql(archive, 'SELECT count(*) FROM devices'), '0', 'a refusal changes nothing');
    await page.fill('#d-from', '01.03.2019');
    await page.click('#device-save');
    await page.locator('#device-saved', { hasText: '1137' }).waitFor();
    assert.match(await row.textContent(), /C-17\/2019.*01\.03\.2019.*29\.02\.2020/);
    assert.equal(h.sql(archive, 'SELECT certificate, verified_from, verified_until FROM devices'),
      'C-17/2019|2019-03-01|2020-02-29');
    await h.screenshotWidths(page, 'serve-instruments');
  });

  await t.test('the object page corrects a placement and removes it after asking', async () => {
    const csrf = await page.getAttribute('meta[name=kvd-csrf]', 'content');
    const placed = await page.request.post(at.origin + '/api/assign', {
      headers: { 'X-CSRF-Token': csrf, Origin: at.origin },
      data: { object: name, room: '102', filter: { device: fixtures.secondDevice, from: '06.07.2019', to: '06.07.2019' } },
    });
    assert.equal(placed.status(), 200);
    const id = h.sql(archive, 'SELECT object_id FROM objects');
    await page.goto(at.origin + '/objects/' + id);
    await page.waitForSelector('body[data-charts=drawn]');
    const row = page.locator('#placements tr[data-placement]');
    assert.equal(await row.count(), 1);
    assert.deepEqual(await row.locator('td').allTextContents(),
      [String(fixtures.secondDevice), '', '102', '', '06.07.2019 00:00:00', '06.07.2019 23:59:59', 'CorrectRemove']);
    await row.locator('button', { hasText: 'Correct' }).click();
    await page.locator('#placement-dialog[open]').waitFor();
    await page.fill('#pl-to', '32.07.2019');
    await page.click('#placement-save');
    await page.locator('#pl-to-error', { hasText: '\u201C32.07.2019\u201D is not a date' }).waitFor();
    await page.fill('#pl-to', '06.07.2019 10:00');
    await page.fill('#pl-point', 'Окно');
    await page.click('#placement-save');
    await page.locator('#placement-result', { hasText: 'Corrected' }).waitFor();
    assert.deepEqual(await row.locator('td').allTextContents(),
      [String(fixtures.secondDevice), '', '102', 'Окно', '06.07.2019 00:00:00', '06.07.2019 10:00:59', 'CorrectRemove']);
    assert.equal(h.sql(archive, 'SELECT p.point, pl.to_time FROM placements pl JOIN points p USING (point_id)'),
      'Окно|2019-07-06 10:00:59');
    await h.screenshotWidths(page, 'serve-object-placements');

    await page.goto(at.origin + '/objects/' + id + '?lang=ru');
    await row.locator('button', { hasText: 'Удалить' }).click();
    await page.locator('#placement-remove-dialog[open]').waitFor();
    assert.match(await page.textContent('#placement-remove-what'), /^прибор 2040, пом\. 102, точка Окно, 06\.07\.2019/);
    await h.screenshot(page, 'serve-object-placement-remove-ru.png');
    await page.click('#placement-remove-ok');
    await page.locator('#placement-result', { hasText: 'Удалено' }).waitFor();
    assert.equal(await row.count(), 0);
    assert.equal(h.sql(archive, 'SELECT count(*) FROM placements'), '0');
    assert.equal(h.sql(archive, "SELECT count(*) FROM records WHERE room = '102'"), String(fixtures.onSecondDevice),
      'the records stay at their point');
  });

  await t.test('the instruments page reads in Russian', async () => {
    await page.goto(at.origin + '/instruments?lang=ru');
    assert.equal(await page.textContent('header.top a[data-page=instruments]'), 'Приборы');
    assert.match(await page.textContent('#devices tr[data-device="2040"]'), /поверка не записана/);
    await h.screenshotWidths(page, 'serve-instruments-ru');
    await page.goto(at.origin + '/instruments?lang=en');
  });

  await t.test('nothing went wrong in the browser and nothing left the server', () => {
    assert.deepEqual(problems, []);
  });
});
