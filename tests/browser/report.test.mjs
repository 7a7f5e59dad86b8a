// Opens the report that sirvane writes in headless Chromium, the way a reader
// sees it: every user is listed, bob's link leads to his host table,
// highlighted figures are red, and user names that hold markup show as text
// and run nothing. Screenshots go to the output directory for a human to look at.
//
// Environment: SIRVANE_BINARY (default ../../build/release/sirvane),
// BROWSER_OUTPUT (default ../../build/browser-output), CHROMIUM (default
// /usr/bin/chromium).
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, mkdirSync, writeFileSync, rmSync, existsSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { dirname, join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';

const here = dirname(fileURLToPath(import.meta.url));
const binary = resolve(process.env.SIRVANE_BINARY ?? join(here, '../../build/release/sirvane'));
const outputDir = resolve(process.env.BROWSER_OUTPUT ?? join(here, '../../build/browser-output'));
const chromiumPath = process.env.CHROMIUM ?? '/usr/bin/chromium';

// A name whose markup, were it ever run, sets a flag; one that opens a dialog.
const FLAG_USER = '<script>window.sirvanepwned=1</script>';
const IMG_USER = '<img/src=x/onerror=alert(2)>';
// user, client address, bytes, URL; Squid's native layout.
const REQUESTS = [
  ['alice', '10.0.3.17', 524288, 'http://mail.example.com/inbox'],
  ['alice', '10.0.3.17', 1048576, 'http://cdn.example.net/lib/app.js'],
  ['bob', '10.0.3.22', 31457280, 'http://video.example.net/stream/seg-118.ts'],
  ['bob', '10.0.3.22', 4194304, 'video.example.net:443'],
  ['bob', '10.0.3.22', 2097152, 'http://updates.example.com/pkg/tool.tar.xz'],
  [FLAG_USER, '10.0.4.9', 1024000, 'http://news.example.net/'],
  [IMG_USER, '10.0.4.10', 512000, 'http://www.example.org/'],
  ['-', '10.0.4.31', 3924, 'http://ads.example.net/pixel.gif'],
];
const EXPECTED_USERS = ['bob', 'alice', FLAG_USER, IMG_USER];
const RED = 'rgb(255, 0, 0)';

const workDir = mkdtempSync(join(tmpdir(), 'sirvane-browser-'));
const summaryUrl = pathToFileURL(join(workDir, 'report', 'report.html')).href;
let context;

before(async () => {
  assert.ok(existsSync(binary), `no sirvane program at ${binary}; build it first (make)`);
  assert.ok(existsSync(chromiumPath), `no Chromium at ${chromiumPath}; install it: apt-get install chromium`);
  mkdirSync(join(workDir, 'logs'));
  mkdirSync(join(workDir, 'report'));
  mkdirSync(outputDir, { recursive: true });
  const lines = REQUESTS.map(([user, address, bytes, url], i) => `${1796112037 + 37 * i}.120    245 ${address} ` +
    `TCP_MISS/200 ${bytes} ${url.startsWith('http') ? 'GET' : 'CONNECT'} ${url} ${user} HIER_DIRECT/203.0.113.10 text/html`);
  writeFileSync(join(workDir, 'logs', 'access.log'), lines.join('\n') + '\n');
  // 30 MiB: bob's traffic is red; alice's is not.
  writeFileSync(join(workDir, 'sirvane.cfg'), 'inputpath=logs/access*.log\noutputpath=report\nnamefield=8\n' +
    'bytesfield=5\nqueryfield=7\nipfield=3\nlimit=31457280\nfinalreport=yes\n');
  execFileSync(binary, [], { cwd: workDir, env: { ...process.env, LC_ALL: 'C' }, stdio: ['ignore', 'inherit', 'inherit'] });
  context = await chromium.launchPersistentContext(join(workDir, 'chromium'), {
    executablePath: chromiumPath, headless: true, viewport: { width: 1200, height: 800 },
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
});

after(async () => {
  await context?.close();
  rmSync(workDir, { recursive: true, force: true });
});

// The rows of the table whose first cell is `header` (the header row left
// out), each cell as its text and the colour that text is drawn in; null when
// the page has no such table.
async function tableRows(page, header) {
  return page.evaluate((header) => {
    const table = [...document.querySelectorAll('table')].find((t) => t.rows[0]?.cells[0]?.textContent.trim() === header);
    return table ? [...table.rows].slice(1).map((row) => [...row.cells].map((cell) => {
      let node = cell;
      while (node.firstElementChild) node = node.firstElementChild;  // the innermost element holds the text
      return { text: cell.textContent, colour: getComputedStyle(node).color };
    })) : null;
  }, header);
}

test('the summary lists every user with markup in names as text, and a link opens a host table', async () => {
  const page = await context.newPage();
  const problems = [];  // dialogs opened and script errors
  page.on('dialog', (dialog) => { problems.push(`dialog: ${dialog.message()}`); return dialog.dismiss(); });
  page.on('pageerror', (error) => problems.push(`script error: ${error.message}`));
  await page.goto(summaryUrl);
  const rows = await tableRows(page, 'user:');
  assert.deepEqual(rows?.map((cells) => cells[0].text), [...EXPECTED_USERS, 'unknown', 'total:']);
  assert.equal(await page.locator('script, img[onerror]').count(), 0, 'an element was created from a name');
  // Only bob is over the limit: his traffic and prognosis are red, no other figure is.
  assert.deepEqual(rows.map((cells) => cells.slice(1).map((cell) => cell.colour === RED)),
    rows.map((cells, i) => [i === 0, i === 0]));
  await page.screenshot({ path: join(outputDir, 'summary.png'), fullPage: true });
  await page.waitForTimeout(200);  // let a stray handler (an onerror, say) fire if there were one
  assert.equal(await page.evaluate(() => window.sirvanepwned), undefined);

  // One user page, bob's, reached by his link: his host table, his figures red.
  const userLinks = page.locator('table a');
  assert.deepEqual(await userLinks.allTextContents(), EXPECTED_USERS);
  await Promise.all([page.waitForURL((url) => url.href !== summaryUrl), userLinks.first().click()]);
  const userRows = await tableRows(page, 'user:');
  assert.deepEqual(userRows?.map((cells) => cells[0].text), ['bob'], `no user row at ${page.url()}`);
  assert.deepEqual(userRows[0].slice(1).map((cell) => cell.colour), [RED, RED], "bob's figures on his page are not red");
  assert.deepEqual((await tableRows(page, 'URL:'))?.map((cells) => cells.map((cell) => cell.text)),
    [['video.example.net', '30720K'], ['', '4096K'], ['updates.example.com', '2048K']]);
  await page.screenshot({ path: join(outputDir, 'user-bob.png'), fullPage: true });
  assert.deepEqual(problems, []);
});
