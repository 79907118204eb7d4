// The Russian pages in Russian throughout: no English mode name, unit or
// field identifier on them, counted words as Russian says them, dates as
// the instrument writes them, the server's refusals in Russian, and the
// CSV of a Russian page as Russian Excel opens it, named after its object
// and in the list's order.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const h = require('./harness');
const fixtures = require('./fixtures');

// Words that stand alike in both languages are no sign of English.
const kNeutralUnits = ['', '%', '°C', 's'];

function wordPattern(word) {
  return new RegExp('(^|[^A-Za-z])' + word.replace(/[.*+?^${}()|[\]\\]/g, '\\$&') + '($|[^A-Za-z])');
}

function day() {
  const d = new Date();
  return d.getFullYear() + '-' + String(d.getMonth() + 1).padStart(2, '0') + '-' + String(d.getDate()).padStart(2, '0');
}

test('kvd serve in Russian', { timeout: 110000 }, async (t) => {
  const dir = h.tempDir();
  const files = fixtures.write(dir);
  const archive = path.join(dir, 'archive.sqlite');
  const kvd = (args) => execFileSync(h.env.kvd, ['archive', '--archive', archive].concat(args), { stdio: 'ignore' });
  kvd(['import', files.first, files.second]);
  kvd(['object', 'add', fixtures.object.name]);
  kvd(['assign', fixtures.object.name, '--room', '101', '--point', 'A', '--record', '1', '2', '3', '4', '5', '6']);
  // The refusals that the last step asks for.
  const refusals = [{ path: '/api/records', status: 400 }, { path: '/api/unassign', status: 400 },
    { path: '/api/unassign', status: 404 }];
  const { at, page, problems } = await h.session(t, archive, dir, { refusals });
  const objectId = h.sql(archive, "SELECT object_id FROM objects WHERE name = '" + fixtures.object.name + "'");

  // What kvd calls things in English: every mode's name, the units and the
  // fields' identifiers, as the English API gives them.
  const english = { 'X-Kvd-Lang': 'en' };
  const rows = (await (await page.request.get(at.origin + '/api/records?limit=500', { headers: english })).json()).rows;
  const record = await (await page.request.get(at.origin + '/api/records/' + rows[0].id, { headers: english })).json();
  const englishPage = await (await page.request.get(at.origin + '/records', { headers: english })).text();
  const modes = JSON.parse(/<script type="application\/json" id="kvd-data">([^]*?)<\/script>/.exec(englishPage)[1]).modes;
  const englishWords = [...new Set([].concat(
    modes.map((m) => m.name),
    rows.map((r) => r.unit), record.fields.map((f) => f.unit), record.results.map((r) => r.unit),
    record.fields.map((f) => f.name)))].filter((w) => !kNeutralUnits.includes(w));
  assert.ok(englishWords.includes('EEC  - 5') && englishWords.includes('pulseCount') && englishWords.includes('Bq/m3'));

  async function englishOn(text) { return englishWords.filter((w) => wordPattern(w).test(text)); }

  await t.test('the records page, a record and the object read without an English word of kvd', async () => {
    await page.goto(at.origin + '/records?lang=ru');
    await page.waitForSelector('#spacer .row[data-id]');
    assert.deepEqual(await englishOn(await page.innerText('body')), []);
    await h.screenshot(page, 'serve-language-records-ru.png');

    await page.goto(at.origin + '/records/' + rows[0].id);
    await page.waitForSelector('#fields tbody tr');
    const recordText = await page.innerText('body');
    assert.deepEqual(await englishOn(recordText), []);
    assert.match(recordText, /Число импульсов/);
    // The files it came in, dated as the instrument writes dates.
    assert.match(await page.textContent('#sightings tbody tr td:nth-child(3)'), /^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d$/);
    await h.screenshotWidths(page, 'serve-language-record-ru');

    await page.goto(at.origin + '/objects/' + objectId);
    await page.waitForSelector('body[data-charts=drawn]');
    const protocol = page.frameLocator('#protocol');
    await protocol.locator('body[data-charts=drawn]').waitFor();
    const objectText = (await page.innerText('body')) + '\n' + (await protocol.locator('body').innerText());
    assert.deepEqual(await englishOn(objectText), []);
    assert.match(objectText, /1 помещение, 1 точка, 6 записей/);
  });

  await t.test('the archive counts as Russian says it and dates its imports as the instrument does', async () => {
    await page.goto(at.origin + '/');
    await page.waitForSelector('#import-list tbody tr td:nth-child(2)');
    assert.equal(await page.textContent('#summary'), 'В архиве ' + fixtures.distinct + ' записей и 1 объект.');
    assert.equal(await page.textContent('#object-list .count'), '1 помещение, 1 точка, 6 записей');
    assert.equal(await page.textContent('#unassigned a'), '3 записи не привязаны к точке');
    const imported = await page.$$eval('#import-list tbody tr td:nth-child(2)', (cells) => cells.map((c) => c.textContent));
    for (const text of imported) assert.match(text, /^\d\d\.\d\d\.\d{4} \d\d:\d\d:\d\d$/);
  });

  await t.test('the CSV of a sorted Russian list: Russian headings, semicolons, its order, its name', async () => {
    await page.goto(at.origin + '/records?lang=ru#' +
      new URLSearchParams({ object: fixtures.object.name, sort: 'value', dir: 'desc' }).toString());
    await page.waitForFunction((n) => document.querySelectorAll('#spacer .row[data-id]').length === n, 6);
    const shown = await page.$$eval('#spacer .row[data-id]', (rs) => rs
      .sort((a, b) => Number(a.dataset.index) - Number(b.dataset.index)).map((r) => r.dataset.id));
    await page.selectOption('#scope', 'filter');
    await page.selectOption('#format', 'csv');
    const before = day();
    const csv = await h.downloaded(page, () => page.click('#export'));
    const days = new Set([before, day()]);
    assert.ok([...days].some((d) => csv.name === fixtures.object.name + '-' + d + '.csv'), csv.name);
    assert.equal(csv.text[0], '\uFEFF');
    const lines = csv.text.slice(1).split('\r\n').filter(Boolean);
    const headings = lines[0].split(';');
    for (const heading of ['№ записи', 'Объект', 'Название режима', 'Значение', 'Погрешность', 'Число импульсов'])
      assert.ok(headings.includes(heading), heading + ' in ' + lines[0]);
    assert.deepEqual(lines.slice(1).map((l) => l.split(';')[0]), shown);
    const modeName = headings.indexOf('Название режима');
    assert.ok(lines.slice(1).every((l) => ['ЭРОА – 5', 'ОА радона 20'].includes(l.split(';')[modeName])), lines[1]);
  });

  await t.test("the server's refusals reach a Russian page in Russian", async () => {
    await page.goto(at.origin + '/records?lang=ru');
    await page.waitForSelector('#spacer .row[data-id]');
    const said = await page.evaluate(() => Promise.all([
      kvd.get('/api/records?device=abc').catch((e) => e.message),
      kvd.post('/api/unassign', { filter: { room: [1] } }).catch((e) => e.message),
      kvd.post('/api/unassign', { records: [999] }).catch((e) => e.message),
    ]));
    assert.deepEqual(said, [
      '«abc» — не целое число от 0 до 4294967295.',
      'Значение «Помещение» должно быть текстом или числом.',
      'В архиве нет такой записи.',
    ]);
  });

  await t.test('nothing went wrong in the browser and nothing left the server', () => {
    assert.deepEqual(problems, []);
  });
});
