// Protocols on the lab server in a real Chromium over real HTTPS: an admin
// saves the laboratory's details, a bad one refused at its field; an
// approver issues the object's protocol from its page, refused first for
// records outside verification and then accepting them with a reason,
// finds it listed and opens it as issued; a viewer reads the list and is
// offered no issuing. The archive is read back by SQL.
'use strict';
const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const h = require('./harness');
const fixtures = require('./fixtures');
const lab = require('./lab');

const refusals = [
  { path: '/api/lab', status: 400 },
  { path: /^\/api\/objects\/\d+\/protocols$/, status: 409 },
  { path: /^\/api\/objects\/\d+\/protocols$/, status: 400 },
];

test('protocols on the lab server', { timeout: 180000 }, async (t) => {
  const dir = h.tempDir();
  const files = fixtures.write(dir);
  const archive = path.join(dir, 'archive.sqlite');
  const kvd = (args) => execFileSync(h.env.kvd, ['archive', '--archive', archive].concat(args), { stdio: 'ignore' });
  kvd(['import', files.first]);
  kvd(['object', 'add', fixtures.object.name, '--address', fixtures.object.address]);
  kvd(['assign', fixtures.object.name, '--room', '101', '--file', files.first]);
  lab.addAccounts(archive);
  const { at, page, problems } = await lab.labSession(t, archive, dir, refusals);
  const objectPage = at.origin + '/objects/' + h.sql(archive, 'SELECT object_id FROM objects');
  const dialogShot = (name) => page.locator('#issue-dialog').screenshot({ path: path.join(h.env.screenshots, name) });
  const labValue = (key) => h.sql(archive, "SELECT value FROM lab_details WHERE key = '" + key + "'");

  await t.test('an admin saves the laboratory\'s details, a bad one refused at its field', async () => {
    await page.goto(at.origin + '/lab');
    await lab.signIn(page, lab.accounts.admin);
    await page.waitForSelector('#lab-save:not([disabled])');
    assert.equal(await page.getAttribute('header.top a[data-page=lab]', 'aria-current'), 'page');
    await page.fill('#l-name', 'Радиационная лаборатория «Радон»');
    await page.fill('#l-accreditation', 'RA.RU.21AB01');
    await page.fill('#l-coverage-factor', 'two');
    await page.getByLabel('Reason').fill('New accreditation');
    await page.click('#lab-save');
    await page.locator('#l-coverage-factor-error', { hasText: 'a number from 1 to 10' }).waitFor();
    assert.equal(labValue('name'), '', 'a refusal saves nothing');
    await page.fill('#l-coverage-factor', '2');
    await page.click('#lab-save');
    await page.locator('#lab-saved', { hasText: 'Saved.' }).waitFor();
    assert.equal(await page.isHidden('#l-coverage-factor-error'), true);
    assert.equal(labValue('name'), 'Радиационная лаборатория «Радон»');
    assert.equal(h.sql(archive, "SELECT who || '|' || reason FROM audit_log WHERE action = 'lab.set'"),
      lab.accounts.admin.login + '|New accreditation');
    await h.screenshotWidths(page, 'lab-laboratory');
    await page.click('header.top a[data-lang=ru]');
    await page.waitForSelector('html[lang=ru] #lab-save:not([disabled])');
    assert.equal(await page.inputValue('#l-accreditation'), 'RA.RU.21AB01');
    await h.screenshotWidths(page, 'lab-laboratory-ru');
    await page.click('header.top a[data-lang=en]');
    await page.waitForSelector('html[lang=en] #lab-save:not([disabled])');
    await lab.signOut(page);
  });

  let number = '';
  await t.test('an approver issues the protocol from the object page and opens it', async () => {
    await page.goto(objectPage);
    await lab.signIn(page, lab.accounts.approver);
    await page.locator('#protocols tbody', { hasText: 'No protocol of this object' }).waitFor();
    await page.click('#protocol-issue');
    await page.locator('#issue-dialog[open]').waitFor();
    await page.click('#issue-ok');
    await page.locator('#issue-error', { hasText: 'cannot be shown to lie within' }).waitFor();
    assert.equal(await page.locator('#issue-error li').count(), fixtures.first.length);
    await dialogShot('lab-issue-unverified.png');
    assert.equal(h.sql(archive, 'SELECT count(*) FROM protocols'), '0');
    await page.check('#i-accept');
    await page.locator('#issue-dialog').getByLabel('Reason', { exact: true }).fill('Verification renewed, papers on the way');
    await page.click('#issue-ok');
    const row = page.locator('#protocols tr[data-number]');
    await row.waitFor();
    number = await row.getAttribute('data-number');
    await page.locator('#protocol-result', { hasText: 'Protocol ' + number + ' issued.' }).waitFor();
    assert.equal(await page.isHidden('#issue-dialog'), true);
    assert.equal(h.sql(archive, "SELECT number || '|' || issued_by || '|' || reason FROM protocols"),
      number + '|' + lab.accounts.approver.login + '|Verification renewed, papers on the way');
    assert.match(await row.textContent(), new RegExp(lab.accounts.approver.name + ' \\(' + lab.accounts.approver.position));
    await page.locator('#audit tr[data-action="protocol.issue"]').waitFor();
    if (await page.evaluate(() => kvd.data.pdf)) {
      assert.equal(await row.locator('a[download]').count(), 1, 'PDF offered');
      assert.match(await page.getAttribute('#protocol-pdf', 'href'), /format=pdf$/);
    }
    await h.screenshotWidths(page, 'lab-object-protocols');

    await page.click('header.top a[data-lang=ru]');
    await page.locator('html[lang=ru] #protocols tr[data-number]').waitFor();
    await page.click('#protocol-issue');
    await page.locator('#issue-dialog[open]').waitFor();
    await page.selectOption('#i-replaces', number);
    await page.click('#issue-ok');
    await page.locator('#issue-error', { hasText: 'Укажите основание' }).waitFor();
    await dialogShot('lab-issue-refused-ru.png');
    await page.click('#issue-dialog .cancel');
    await h.screenshotWidths(page, 'lab-object-protocols-ru');
    await page.click('header.top a[data-lang=en]');
    await page.locator('html[lang=en] #protocols tr[data-number]').waitFor();

    await Promise.all([page.waitForURL(/\/api\/protocols\/\d+$/), row.getByRole('link', { name: 'Protocol ' + number, exact: true }).click()]);
    await page.locator('body', { hasText: number }).first().waitFor();
    await page.goBack();
    await page.locator('#protocols tr[data-number]').waitFor();
    await lab.signOut(page);
  });

  await t.test('a viewer reads the protocols and is offered no issuing', async () => {
    await page.goto(objectPage);
    await lab.signIn(page, lab.accounts.viewer);
    await page.locator('#protocols tr[data-number="' + number + '"]').waitFor();
    assert.equal(await page.locator('#protocol-issue, #issue-dialog').count(), 0);
    assert.equal(await page.textContent('#object-data [data-key="kind"]'), 'dwelling or public building in use');
    assert.equal(await page.locator('header.top a[data-page=lab]').count(), 0, 'no Laboratory link but for admins');
    await lab.signOut(page);
  });

  assert.deepEqual(problems, []);
});
