// What the browser tests of kvd serve stand on: measurement files made by
// kvdgen, a real kvd serve on a fresh SQLite archive on the loopback, a
// real headless Chromium, and the archive read back by the sqlite3 program.
'use strict';
const { spawn, execFileSync } = require('node:child_process');
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { chromium } = require('playwright-core');

const env = {
  kvd: process.env.KVD || 'kvd',
  kvdgen: process.env.KVDGEN || 'kvdgen',
  sqlite3: process.env.SQLITE3 || 'sqlite3',
  chromium: process.env.CHROMIUM || '/usr/bin/chromium',
  screenshots: process.env.SCREENSHOTS || path.join(os.tmpdir(), 'kvd-serve-screenshots'),
};

function tempDir() { return fs.mkdtempSync(path.join(os.tmpdir(), 'kvd-serve-test-')); }

// A measurement file from kvdgen's description lines.
function makeFile(dir, name, lines) {
  const file = path.join(dir, name);
  execFileSync(env.kvdgen, ['-', file], { input: lines.join('\n') + '\n' });
  return file;
}

function sql(archive, query) {
  return execFileSync(env.sqlite3, ['-readonly', archive, query], { encoding: 'utf8' }).trim();
}

// The address that the personal kvd serve prints, with its one-time token.
function personalAddress(output) {
  const m = /http:\/\/127\.0\.0\.1:(\d+)\/\?token=([0-9a-f]+)/.exec(output);
  return m ? { url: m[0], origin: 'http://127.0.0.1:' + m[1], port: Number(m[1]), token: m[2] } : null;
}

// kvd serve on a free loopback port; resolves once it has printed its
// address (read by `address`, the personal server's by default).
function startServer(archive, extra, address) {
  const child = spawn(env.kvd, ['serve', '--no-open', '--archive', archive].concat(extra || []),
    { stdio: ['ignore', 'pipe', 'pipe'] });
  let output = '';
  const exited = new Promise((resolve) => child.on('exit', (code, signal) => resolve({ code, signal })));
  const started = new Promise((resolve, reject) => {
    const timer = setTimeout(() => reject(new Error('kvd serve printed no address in 15 s:\n' + output)), 15000);
    function read(chunk) {
      output += chunk.toString();
      const at = (address || personalAddress)(output);
      if (at) {
        clearTimeout(timer);
        resolve(at);
      }
    }
    child.stdout.on('data', read);
    child.stderr.on('data', read);
    exited.then((e) => { clearTimeout(timer); reject(new Error('kvd serve ended (' + e.code + '):\n' + output)); });
  });
  return {
    child, exited, started, output: () => output,
    // Bounded: a server that does not stop by itself is killed.
    stop: async () => {
      if (child.exitCode !== null || child.signalCode !== null) return exited;
      child.kill('SIGTERM');
      const timer = setTimeout(() => child.kill('SIGKILL'), 5000);
      const e = await exited;
      clearTimeout(timer);
      return e;
    },
  };
}

// The browser with a watch on everything the pages do: every console
// error, every uncaught exception and every request that would leave the
// server's origin is noted. `refusals` adds answers that the test asks for
// ({path: a text or a RegExp, status}); `args`, more of Chromium's.
async function openBrowser(origin, refusals, args) {
  const browser = await chromium.launch({ executablePath: env.chromium, args: ['--no-sandbox'].concat(args || []) });
  const context = await browser.newContext({ viewport: { width: 1366, height: 768 }, acceptDownloads: true });
  const problems = [];
  const spectrumCalls = [];
  context.on('request', (request) => {
    const url = request.url();
    if (!url.startsWith(origin + '/') && !url.startsWith('data:') && !url.startsWith('blob:' + origin + '/')) {
      problems.push('request outside the server: ' + url);
    }
    if (request.method() === 'POST' && /\/api\/spectrum\//.test(url)) spectrumCalls.push(JSON.parse(request.postData()));
  });
  context.on('page', (page) => watch(page, problems, expectedRefusals.concat(refusals || [])));
  const page = await context.newPage();
  return { browser, context, page, problems, spectrumCalls };
}

// The browser reports every answer of 400 or more in the console; those
// that the test asks for (a refusal it checks) are not problems.
const expectedRefusals = [{ path: '/api/assign', status: 409 }, { path: '/api/objects', status: 409 }];

function watch(page, problems, expected) {
  const refused = [];
  page.on('response', (r) => {
    if (r.status() < 400) return;
    const path = new URL(r.url()).pathname;
    const asked = (e) => (e.path instanceof RegExp ? e.path.test(path) : e.path === path) && e.status === r.status();
    if (expected.some(asked)) refused.push(r.url());
    else problems.push('answer ' + r.status() + ' for ' + r.request().method() + ' ' + r.url());
  });
  page.on('console', (m) => {
    if (m.type() !== 'error') return;
    if (/^Failed to load resource/.test(m.text()) && refused.includes(m.location().url)) return;
    problems.push('console: ' + m.text() + ' at ' + page.url());
  });
  page.on('pageerror', (e) => problems.push('page error: ' + e.message + ' at ' + page.url()));
}

async function screenshot(page, name) {
  fs.mkdirSync(env.screenshots, { recursive: true });
  await page.screenshot({ path: path.join(env.screenshots, name), fullPage: true });
}

// The page at the lab PC's 1366 px (NAME.png) and at a phone's 375 px
// (NAME-phone.png), where it must be no wider than the phone: a wide table
// scrolls in its own box.
async function screenshotWidths(page, name) {
  await screenshot(page, name + '.png');
  await page.setViewportSize({ width: 375, height: 740 });
  await screenshot(page, name + '-phone.png');
  const width = await page.evaluate(() => document.documentElement.scrollWidth);
  await page.setViewportSize({ width: 1366, height: 768 });
  if (width !== 375) throw new Error(name + ': the page is ' + width + ' px wide at a phone\'s 375 px');
}

// kvd serve on `archive` and a browser holding its token at its first
// page; both closed and `dir` removed when `t` ends. `options.serve`: more
// arguments of kvd serve; `options.refusals`: as for openBrowser.
async function session(t, archive, dir, options) {
  const o = options || {};
  const server = startServer(archive, o.serve);
  const at = await server.started;
  const opened = await openBrowser(at.origin, o.refusals);
  opened.page.setDefaultTimeout(15000);
  t.after(async () => {
    await opened.browser.close();
    await server.stop();
    fs.rmSync(dir, { recursive: true, force: true });
  });
  await opened.page.goto(at.url);
  return Object.assign({ server, at }, opened);
}

// A download started by `action`, read back as text.
async function downloaded(page, action) {
  const [download] = await Promise.all([page.waitForEvent('download', { timeout: 15000 }), action()]);
  const file = await download.path();
  return { name: download.suggestedFilename(), text: fs.readFileSync(file, 'utf8') };
}

module.exports = {
  env, tempDir, makeFile, sql, startServer, openBrowser, session, screenshot, screenshotWidths, downloaded,
};
