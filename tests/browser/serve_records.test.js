// The records list in a real Chromium against a real kvd serve: dates
// typed as the lab writes them, sent only once entered, and a date that is
// none refused at its field in the page's language (from a bookmark too);
// one value column with the server's unit, the place whole; a phone's
// width without sideways scrolling; a list too long to be in the page
// whole.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const h = require('./harness');
const fixtures = require('./fixtures');

const object = 'Детский сад № 112 «Солнышко», корпус 2';
const place = { floor: '2', room: 'Спальня младшей группы', point: 'у окна' };

test('the records list', { timeout: 150000 }, async (t) => {
  const dir = h.tempDir();
  const files = fixtures.write(dir);
  const archive = path.join(dir, 'archive.sqlite');
  const kvd = (...args) => execFileSync(h.env.kvd, ['archive', '--archive', archive, ...args], { stdio: 'ignore' });
  kvd('import', files.first, files.second);
  kvd('object', 'add', object);
  kvd('assign', object, '--device', String(fixtures.secondDevice), '--from', '2019-07-06', '--to', '2019-07-06',
    '--floor', place.floor, '--room', place.room, '--point', place.point);
  const server = h.startServer(archive);
  const at = await server.started;
  const { browser, page, problems } = await h.openBrowser(at.origin, [{ path: '/api/records', status: 400 }]);
  page.setDefaultTimeout(15000);
  const asked = [];
  page.on('request', (r) => { if (/\/api\/records\?/.test(r.url())) asked.push(new URL(r.url()).searchParams); });
  t.after(async () => {
    await browser.close();
    await server.stop();
    fs.rmSync(dir, { recursive: true, force: true });
  });
  const total = (n) => page.waitForSelector('#list[aria-rowcount="' + (n + 1) + '"]');

  await t.test('a date is sent once entered; one that is none is said so at its field, the list kept', async () => {
    await page.goto(at.url);
    await page.goto(at.origin + '/records');
    await page.waitForSelector('#spacer .row[data-index="0"][data-id]');
    await total(fixtures.distinct);
    // Typed slower than any pause that would send a half-typed date.
    await page.click('#f-from');
    await page.keyboard.type('31.02.2026', { delay: 350 });
    await page.keyboard.press('Enter');
    await page.locator('#f-from-error', { hasText: '\u201C31.02.2026\u201D is not a date' }).waitFor();
    assert.deepEqual(asked.filter((q) => q.has('from')).map((q) => q.get('from')), ['31.02.2026']);
    assert.equal(await page.getAttribute('#f-from', 'aria-invalid'), 'true');
    assert.equal(await page.getAttribute('#list', 'aria-rowcount'), String(fixtures.distinct + 1));
    assert.ok(await page.isVisible('#spacer .row[data-index="0"][data-id]'));
    // kvd's forms, with a time: taken on leaving the field and on Enter.
    await page.fill('#f-from', '06.07.2019 09:00');
    await page.press('#f-from', 'Tab');
    await total(3);
    assert.equal(await page.isHidden('#f-from-error'), true);
    await page.fill('#f-to', '2019-07-06T10:30');
    await page.press('#f-to', 'Enter');
    await total(2);
    await page.click('#f-clear');
    await total(fixtures.distinct);
  });

  await t.test('one value column in the unit the server names, the place whole, one sort mark', async () => {
    const rows = await page.evaluate(() => fetch('/api/records?limit=100', { headers: { Accept: 'application/json' } })
      .then((r) => r.json()).then((a) => a.rows));
    await page.waitForSelector('#spacer .row[data-index="' + (rows.length - 1) + '"][data-id]');
    // The place column ends inside the list's box, which has nothing to
    // scroll sideways; a place longer than the column shows whole on hover.
    const shown = await page.$$eval('#spacer .row[data-id]', (divs) => {
      const box = document.querySelector('.list-scroll');
      return divs.map((d) => {
        const place = d.querySelector('.c-place');
        return { id: Number(d.dataset.id), value: d.querySelector('.c-value').textContent, place: place.textContent,
          title: place.title, inside: place.getBoundingClientRect().right <= box.getBoundingClientRect().right,
          scrolls: box.scrollWidth > box.clientWidth };
      });
    });
    for (const r of rows) {
      const s = shown.find((x) => x.id === r.id);
      assert.equal(s.value, r.value + ' \u00B1 ' + r.error + ' ' + r.unit);
      assert.deepEqual([s.inside, s.scrolls, s.title], [true, false, s.place]);
    }
    assert.equal(rows.find((r) => r.id === 6).value, '148');
    assert.equal(shown.find((s) => s.id === 6).place.startsWith(object), true);
    assert.equal(await page.locator('.list-head [data-sort]').count(), 7);
    await page.click('.list-head .c-time');
    await page.locator('.list-head .c-time.sorted[aria-sort=descending]').waitFor();
    assert.equal(await page.locator('.list-head .sorted').count(), 1);
    assert.equal(await oneLine(page), true);
    await h.screenshot(page, 'serve-records-list.png');
  });

  await t.test('a bookmark with a bad date lists the rest of its filter and says why in Russian', async () => {
    await page.goto(at.origin + '/records?lang=ru#device=' + fixtures.secondDevice + '&from=31.02.2026');
    await page.locator('#f-from-error', { hasText: '\u00AB31.02.2026\u00BB \u2014 не дата' }).waitFor();
    await total(fixtures.onSecondDevice);
    assert.equal(await page.inputValue('#f-from'), '31.02.2026');
    assert.equal(await oneLine(page), true);
    await h.screenshot(page, 'serve-records-bad-date-ru.png');
  });

  await t.test("at a phone's width each row reads without scrolling sideways", async () => {
    await page.setViewportSize({ width: 375, height: 740 });
    await page.waitForFunction(() => window.innerWidth === 375);
    await page.waitForSelector('#spacer .row[data-index="0"][data-id]');
    const fit = await page.evaluate(() => ({
      width: document.documentElement.scrollWidth,
      rows: Array.from(document.querySelectorAll('#spacer .row[data-id]'), (row) => {
        const cells = Array.from(row.children).filter((c) => c.getBoundingClientRect().width > 0);
        return {
          shown: cells.map((c) => c.className),
          outside: cells.filter((c) => c.getBoundingClientRect().left < 0 || c.getBoundingClientRect().right > 375)
            .map((c) => c.className),
          cut: cells.filter((c) => c.className !== 'c-place' && c.scrollWidth > c.clientWidth).map((c) => c.className),
        };
      }),
    }));
    assert.equal(fit.width, 375);
    assert.ok(fit.rows.length > 0);
    for (const r of fit.rows) {
      assert.deepEqual(r.shown, ['c-date', 'c-time', 'c-mode', 'c-value', 'c-place']);
      assert.deepEqual(r.outside, []);
      assert.deepEqual(r.cut, []);
    }
    await h.screenshot(page, 'serve-records-phone-ru.png');
    await page.setViewportSize({ width: 1366, height: 768 });
  });

  await t.test('a long list keeps only the rows in sight in the page', async () => {
    const big = await fixtures.longArchive(dir);
    const second = h.startServer(big.archive);
    try {
      const at2 = await second.started;
      const other = await browser.newContext({ viewport: { width: 1366, height: 768 } });
      const p = await other.newPage();
      await p.goto(at2.url);
      await p.goto(at2.origin + '/records');
      await p.waitForSelector('#spacer .row[data-index="0"][data-id]');
      assert.match(await p.textContent('#counts'), new RegExp('^Records: ' + big.records + ','));
      await p.click('#spacer .row[data-index="0"]');
      await p.keyboard.press('End');
      // The row that End moves to, not the one clicked before.
      const last = p.locator('#spacer .row.cursor[data-index="' + (big.records - 1) + '"][data-id]');
      await last.waitFor();
      assert.equal(await last.locator('.c-id').textContent(), String(big.records));
      assert.ok(await p.locator('#spacer .row').count() < 100);
      await p.keyboard.press('Shift+Home');
      await p.locator('#counts', { hasText: new RegExp('selected: ' + big.records + '$') }).waitFor();
      await other.close();
    } finally {
      await second.stop();
    }
  });

  await t.test('nothing went wrong in the browser and nothing left the server', () => {
    assert.deepEqual(problems, []);
  });
});

// Whether the filter's fields stand in one line.
function oneLine(page) {
  return page.$$eval('#filter > div', (divs) => {
    const first = divs[0].getBoundingClientRect();
    return divs.every((d) => d.getBoundingClientRect().top < first.bottom);
  });
}
