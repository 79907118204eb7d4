// The lab server's pages in a real Chromium over real HTTPS: a wrong
// password said at the sign-in form; an operator assigns records to a
// point with a reason and finds the entry in the object's history; a
// viewer is offered no change, and one forced from the page is refused
// with 403 and changes nothing; an admin adds an account on the users page
// and reads it in the audit trail. The archive is read back by SQL.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const h = require('./harness');
const fixtures = require('./fixtures');
const lab = require('./lab');

const refusals = [
  { path: '/api/login', status: 401 },
  { path: '/api/assign', status: 403 },
  { path: '/api/users', status: 400 },
];

test('the lab server', { timeout: 180000 }, async (t) => {
  const dir = h.tempDir();
  const files = fixtures.write(dir);
  const archive = path.join(dir, 'archive.sqlite');
  const kvd = (args, input) => execFileSync(h.env.kvd, ['archive', '--archive', archive].concat(args),
    { input: input || '', stdio: ['pipe', 'ignore', 'pipe'] });
  kvd(['import', files.first, files.second]);
  kvd(['object', 'add', fixtures.object.name, '--address', fixtures.object.address]);
  lab.addAccounts(archive);
  const { at, page, problems } = await lab.labSession(t, archive, dir, refusals);
  const objectId = h.sql(archive, 'SELECT object_id FROM objects');
  const places = () => h.sql(archive, "SELECT group_concat(record_id || ':' || coalesce(room, '-') || '/' || " +
    "coalesce(point, '-'), ' ') FROM records");
  const entries = () => h.sql(archive, 'SELECT count(*) FROM audit_log');

  await t.test('a page asks to sign in first, and a wrong password is said at the form', async () => {
    await page.goto(at.origin + '/records');
    assert.equal(new URL(page.url()).pathname, '/signin');
    assert.equal(new URL(page.url()).searchParams.get('next'), '/records');
    await page.fill('#s-login', lab.accounts.viewer.login);
    await page.fill('#s-password', 'not-the-password');
    await page.click('#signin-ok');
    await page.locator('#signin-error', { hasText: 'Wrong login or password.' }).waitFor();
    assert.equal(await page.inputValue('#s-password'), '', 'the wrong password is not left in the field');
    await h.screenshotWidths(page, 'lab-signin');
    await page.click('header.top a[data-lang=ru]');
    await page.waitForSelector('html[lang=ru]');
    assert.equal(new URL(page.url()).searchParams.get('next'), '/records', 'the language switch keeps where to go');
    await page.fill('#s-login', lab.accounts.viewer.login);
    await page.fill('#s-password', 'not-the-password');
    await page.click('#signin-ok');
    await page.locator('#signin-error', { hasText: 'Неверный логин или пароль.' }).waitFor();
    await h.screenshotWidths(page, 'lab-signin-ru');
    await page.click('header.top a[data-lang=en]');
    await page.waitForSelector('html[lang=en]');
  });

  await t.test('an operator assigns records with a reason, and the object\'s history shows it', async () => {
    const operator = lab.accounts.operator;
    await lab.signIn(page, operator);
    assert.equal(new URL(page.url()).pathname, '/records');
    assert.equal(await page.textContent('#kvd-me'), operator.name + ' (operator)');
    assert.equal(await page.locator('header.top a[data-page=users]').count(), 0, 'no Users link but for admins');
    await page.waitForSelector('#spacer .row[data-index="2"][data-id]');
    await page.click('#spacer .row[data-index="0"]');
    await page.click('#spacer .row[data-index="2"]', { modifiers: ['Shift'] });
    await page.waitForFunction(() => document.querySelectorAll('#spacer .row.selected[data-id]').length === 3);
    await page.click('#assign');
    await page.locator('#assign-dialog[open]').waitFor();
    await page.fill('#a-object', fixtures.object.name);
    await page.fill('#a-room', '101');
    await page.fill('#a-point', 'A');
    await page.locator('#assign-dialog').getByLabel('Reason').fill('Survey of July 2019');
    await page.click('#assign-ok');
    await page.locator('#action-result', { hasText: 'Assigned: 3,' }).waitFor();
    const target = fixtures.object.name + ' / room 101 / point A';
    assert.equal(h.sql(archive, "SELECT who || '|' || target || '|' || reason FROM audit_log WHERE action = 'records.assign'"),
      operator.login + '|' + target + '|Survey of July 2019');

    await page.goto(at.origin + '/objects/' + objectId);
    const entry = page.locator('#audit tr[data-action="records.assign"]');
    await entry.waitFor();
    const cells = await entry.locator('td').allTextContents();
    assert.match(cells[0], /^\d\d\.\d\d\.\d{4} \d\d:\d\d$/);
    assert.deepEqual(cells.slice(1, 4), [operator.login, 'Records assigned to a point', target]);
    assert.equal(cells[5], 'Survey of July 2019');
    await page.waitForSelector('body[data-charts=drawn]');
    await h.screenshotWidths(page, 'lab-object-operator');
    await lab.signOut(page);
  });

  await t.test('a viewer is offered no change, and an assignment forced from the page is refused', async () => {
    await page.goto(at.origin + '/records');
    await lab.signIn(page, lab.accounts.viewer);
    await page.waitForSelector('#spacer .row[data-index="2"][data-id]');
    assert.equal(await page.locator('#assign, #unassign, #assign-dialog').count(), 0);
    assert.equal(await page.isVisible('#export'), true, 'a viewer exports');
    const before = { places: places(), entries: entries() };
    const answer = await page.evaluate(async (object) => {
      const csrf = document.querySelector('meta[name="kvd-csrf"]').content;
      const r = await fetch('/api/assign', {
        method: 'POST', credentials: 'same-origin',
        headers: { 'Content-Type': 'application/json', 'X-CSRF-Token': csrf },
        body: JSON.stringify({ object: object, room: '102', move: true, filter: {} }),
      });
      return r.status;
    }, fixtures.object.name);
    assert.equal(answer, 403);
    assert.deepEqual({ places: places(), entries: entries() }, before, 'a refusal changes nothing');

    await page.goto(at.origin + '/');
    await page.waitForSelector('#summary:not(:empty)');
    assert.equal(await page.locator('#import, #new-object').count(), 0);
    await page.goto(at.origin + '/objects/' + objectId);
    await page.locator('#audit tr[data-action="records.assign"]').waitFor();
    assert.equal(await page.locator('#object-form, #object-remove, #placements button').count(), 0);
    assert.equal(await page.textContent('#object-data [data-key="name"]'), fixtures.object.name);
    await page.goto(at.origin + '/instruments');
    await page.waitForSelector('#devices tr[data-device]');
    assert.equal(await page.locator('#devices button, #device-dialog').count(), 0);
    await lab.signOut(page);
  });

  await t.test('an admin adds an account, a refusal at its field, and reads it in the audit trail', async () => {
    await page.goto(at.origin + '/users?lang=ru');
    await lab.signIn(page, lab.accounts.admin);
    await page.waitForSelector('#users tr[data-login="' + lab.accounts.viewer.login + '"]');
    await page.click('#user-add');
    await page.locator('#user-dialog[open]').waitFor();
    await page.fill('#u-login', 'petr');
    await page.fill('#u-name', 'Пётр Иванов');
    await page.fill('#u-position', 'лаборант');
    await page.selectOption('#u-role', 'operator');
    await page.fill('#u-password', 'короткий');
    await page.fill('#u-password2', 'короткий');
    await page.locator('#user-dialog').getByLabel('Основание').fill('Принят в лабораторию');
    await page.click('#user-save');
    await page.locator('#u-password-error', { hasText: 'Пароль слишком короткий' }).waitFor();
    await page.fill('#u-password', 'пароль-петра-2019');
    await page.fill('#u-password2', 'пароль-петра-2019');
    await page.click('#user-save');
    await page.locator('#users tr[data-login="petr"]').waitFor();
    assert.equal(h.sql(archive, "SELECT full_name || '|' || role || '|' || active FROM accounts WHERE login = 'petr'"),
      'Пётр Иванов|operator|1');
    await h.screenshotWidths(page, 'lab-users-ru');

    await page.click('header.top a[data-page=audit]');
    const added = page.locator('#audit tr[data-action="user.add"]', { hasText: 'petr' });
    await added.waitFor();
    assert.match(await added.textContent(), /Добавлена учётная запись.*Роль: оператор.*Принят в лабораторию/);
    await page.fill('#af-user', lab.accounts.operator.login);
    await page.press('#af-user', 'Enter');
    await page.waitForFunction(() => document.querySelectorAll('#audit tr[data-action]').length === 1);
    assert.equal(await page.getAttribute('#audit tr[data-action]', 'data-action'), 'records.assign');
    assert.match(page.url(), /#user=ivan$/);
    await page.fill('#af-user', '');
    await page.fill('#af-since', '31.02.2019');
    await page.press('#af-since', 'Enter');
    await page.locator('#af-since-error', { hasText: '«31.02.2019» — не дата' }).waitFor();
    // The reader's own day: nothing from tomorrow on, everything from a day
    // before the first entry.
    const tomorrow = new Date(Date.now() + 86400e3);
    const two = (n) => String(n).padStart(2, '0');
    await page.fill('#af-since', two(tomorrow.getDate()) + '.' + two(tomorrow.getMonth() + 1) + '.' + tomorrow.getFullYear());
    await page.press('#af-since', 'Enter');
    await page.locator('#audit tbody', { hasText: 'Записей нет.' }).waitFor();
    assert.equal(await page.isHidden('#af-since-error'), true);
    await page.fill('#af-since', '01.01.2019');
    await page.press('#af-since', 'Enter');
    await page.locator('#audit tr[data-action="user.add"]').first().waitFor();
    assert.equal(await page.locator('#audit tr[data-action]').count(), Number(entries()));
    await h.screenshotWidths(page, 'lab-audit-ru');
  });

  assert.deepEqual(problems, []);
});
