// The lab server for the browser tests: accounts made by kvd archive user
// add (the password on standard input, as a script gives it), kvd serve
// --listen on a loopback port that it chooses and binds itself, over HTTPS
// with the certificate it made, and a Chromium that trusts exactly that
// certificate: the one whose fingerprint the server printed.
'use strict';
const crypto = require('node:crypto');
const fs = require('node:fs');
const path = require('node:path');
const { execFileSync } = require('node:child_process');
const h = require('./harness');

const accounts = {
  viewer: { login: 'olga', name: 'Ольга Петрова', position: 'инженер', role: 'viewer', password: 'viewer-pass-2019' },
  operator: { login: 'ivan', name: 'Иван Сидоров', position: 'лаборант', role: 'operator', password: 'operator-pass-2019' },
  approver: { login: 'maria', name: 'Мария Кузнецова', position: 'ведущий инженер', role: 'approver', password: 'approver-pass-2019' },
  admin: { login: 'anna', name: 'Анна Смирнова', position: 'заведующая', role: 'admin', password: 'admin-pass-2019' },
};

function addAccounts(archive) {
  Object.values(accounts).forEach((a) => {
    execFileSync(h.env.kvd, ['archive', '--archive', archive, 'user', 'add', a.login, '--role', a.role,
      '--name', a.name, '--position', a.position], { input: a.password + '\n', stdio: ['pipe', 'ignore', 'pipe'] });
  });
}

// The lab server's address and its certificate's fingerprint, once both
// are printed.
function labAddress(output) {
  const url = /https:\/\/127\.0\.0\.1:(\d+)\//.exec(output);
  const fingerprint = /\b([0-9A-F]{2}(?::[0-9A-F]{2}){31})\b/.exec(output);
  if (!url || !fingerprint) return null;
  return { url: url[0], origin: 'https://127.0.0.1:' + url[1], port: Number(url[1]), fingerprint: fingerprint[1] };
}

// Chromium's argument that trusts the certificate of `file`, after its
// fingerprint is checked against the one the server printed: the SHA-256
// of its public key (SubjectPublicKeyInfo), base64.
function trustArgument(file, fingerprint) {
  const certificate = new crypto.X509Certificate(fs.readFileSync(file));
  if (certificate.fingerprint256 !== fingerprint) {
    throw new Error('the certificate ' + file + ' is ' + certificate.fingerprint256 + ', the server printed ' + fingerprint);
  }
  const spki = certificate.publicKey.export({ type: 'spki', format: 'der' });
  return '--ignore-certificate-errors-spki-list=' + crypto.createHash('sha256').update(spki).digest('base64');
}

// The lab server on `archive` (an SQLite file, whose self-signed
// certificate the server keeps beside it) and a browser that trusts it;
// both closed and `dir` removed when `t` ends.
async function labSession(t, archive, dir, refusals) {
  const server = h.startServer(archive, ['--listen', '127.0.0.1'], labAddress);
  const at = await server.started;
  const certificate = path.join(path.dirname(archive), 'kvd-serve-cert.pem');
  const opened = await h.openBrowser(at.origin, refusals, [trustArgument(certificate, at.fingerprint)]);
  opened.page.setDefaultTimeout(15000);
  t.after(async () => {
    await opened.browser.close();
    await server.stop();
    fs.rmSync(dir, { recursive: true, force: true });
  });
  return Object.assign({ server, at }, opened);
}

// Signs in on the sign-in page in sight and waits for the page it leads to.
async function signIn(page, account) {
  await page.fill('#s-login', account.login);
  await page.fill('#s-password', account.password);
  await Promise.all([page.waitForURL((url) => url.pathname !== '/signin'), page.click('#signin-ok')]);
}

async function signOut(page) {
  await Promise.all([page.waitForURL((url) => url.pathname === '/signin'), page.click('#kvd-signout')]);
}

module.exports = { accounts, addAccounts, labSession, signIn, signOut };
