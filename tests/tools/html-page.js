// The page of `ed-load --format html` in headless Chromium, opened from disk: it loads without a
// console error or a request beyond the file, the tree has a row per component, and a search finds a
// part whose details show its properties. Then the page of `ed-diff --format html` (ed-diff is found
// beside ed-load) of the pump and an edited copy: it lists the changes, filters them by kind, strikes
// a removed part through and shows a change's old and new values.
//   node html-page.js ED_LOAD EXAMPLES PLAYWRIGHT_DIR   (exits 77, skipped, without a browser)
'use strict';
const assert = require('assert');
const { execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const [edLoad, examples, playwrightDir] = process.argv.slice(2);
const browser = process.env.CHROMIUM || '/usr/bin/chromium';
function skip(why) {
  console.log(`skipped: ${why}; scripts/setup --browser installs it`);
  process.exit(77);
}
if (!fs.existsSync(browser)) skip(`no Chromium at ${browser}`);
let chromium;
try { ({ chromium } = require(path.resolve(playwrightDir, 'node_modules', 'playwright-core'))); }
catch { skip(`no playwright-core under ${playwrightDir}`); }

const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'html-page-'));
const pump = path.join(examples, 'pump', 'pump.ed');
const page = path.join(folder, 'pump.html');
execFileSync(edLoad, ['--quiet', '--format', 'html', '--up', 'y', '-o', page, pump]);
const document = JSON.parse(execFileSync(edLoad, ['--format', 'json', pump], { maxBuffer: 1 << 26 }));
const components = (node) => 1 + (node.component ?? node).children.reduce((n, c) => n + components(c), 0);

// The pump with a part renamed, one recoloured and one removed.
const edDiff = path.join(path.dirname(edLoad), 'ed-diff');
const edited = path.join(folder, 'pump-edited.ed');
fs.writeFileSync(edited, fs.readFileSync(pump, 'latin1')
  .replace('I 0 4 0 0 Casing Cover', 'I 0 4 0 0 Cover Plate')
  .replace('V 0 502 0 0 0.1 0.1 0.1', 'V 0 502 0 0 0.6 0.1 0.1')
  .replace(/C 41 39 0\n(?:[IPNV] .*\n)*/, ''), 'latin1');
const diffPage = path.join(folder, 'diff.html');
const run = (args) => { try { return execFileSync(edDiff, ['--quiet', ...args], { maxBuffer: 1 << 26 }); } catch (e) { return e.stdout; } };
run(['--format', 'html', '-o', diffPage, pump, edited]);
const changes = JSON.parse(run(['--format', 'json', pump, edited])).changes;

async function checkDiffPage(tab) {
  await tab.goto(`file://${diffPage}`);
  await tab.waitForFunction(() => document.documentElement.dataset.ready, null, { timeout: 60000 });
  assert.strictEqual(changes.length, 3);
  assert.strictEqual(await tab.locator('.change').count(), changes.length);
  await tab.selectOption('#change-filter', 'removed');
  assert.deepStrictEqual(await tab.locator('.change .name').allTextContents(), ['Cable Gland M20']);
  await tab.locator('.change').click();
  await tab.waitForFunction(() => document.querySelector('.row.selected.removed'));
  await tab.selectOption('#change-filter', 'changed');
  await tab.locator('.change', { hasText: 'Cover Plate' }).click();
  await tab.waitForFunction(() => document.querySelector('#details h3'));
  const details = await tab.locator('#details').textContent();
  assert.ok(details.includes('"Casing Cover" → "Cover Plate"'), `details lack the rename:\n${details}`);
}

async function main() {
  const context = await chromium.launchPersistentContext(path.join(folder, 'profile'), {
    executablePath: browser, headless: true, viewport: { width: 1200, height: 1400 },
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
           '--disable-component-update', '--disable-sync', '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
  });
  const problems = [];
  try {
    const tab = context.pages()[0] || await context.newPage();
    tab.on('console', (m) => { if (m.type() === 'error') problems.push(`console: ${m.text()}`); });
    tab.on('pageerror', (e) => problems.push(`page: ${e.message}`));
    tab.on('request', (r) => { if (!/^(file|blob|data):/.test(r.url())) problems.push(`request: ${r.url()}`); });
    await tab.goto(`file://${page}`);
    await tab.waitForFunction(() => document.documentElement.dataset.ready, null, { timeout: 60000 });

    // Everything expanded, every component has its row.
    for (const closed = tab.locator('.toggle', { hasText: '▸' }); await closed.count();) await closed.first().click();
    assert.strictEqual(await tab.locator('.row').count(), components(document.root));
    assert.ok((await tab.title()).startsWith('pump.ed'));

    // A search narrows the tree to the match and its ancestors; clicking it shows its properties.
    await tab.fill('#search', 'volute');
    await tab.waitForFunction(() => document.querySelectorAll('.row.match').length === 1);
    assert.deepStrictEqual(await tab.locator('.row .name').allTextContents(),
                           ['Centrifugal Pump CP-80', 'Casing Assembly', 'Volute Casing']);
    await tab.locator('.row.match').click();
    await tab.waitForFunction(() => document.querySelector('#details h3'));
    const details = await tab.locator('#details').textContent();
    for (const text of ['Volute Casing', 'volute', 'Properties: Engineering', 'EN-GJL-250 grey cast iron', 'shapes/volute_casing.shp',
                        '-0.21, -0.19, 0 to 0.21, 0.19, 0.3'])
      assert.ok(details.includes(text), `details lack "${text}":\n${details}`);
    assert.strictEqual(await tab.locator('.row.selected .name').textContent(), 'Volute Casing');

    // With the view framing the volute and the root selected, a click on the volute's box selects it.
    await tab.click('#fit');
    await tab.fill('#search', '');
    await tab.locator('.row').first().click();
    const canvas = await tab.locator('canvas').boundingBox();
    await tab.mouse.click(canvas.x + canvas.width / 2, canvas.y + canvas.height / 2);
    await tab.waitForFunction(() => document.querySelector('.row.selected').dataset.row !== '0');
    assert.strictEqual(await tab.locator('.row.selected .name').textContent(), await tab.locator('#details h2').textContent());

    await checkDiffPage(tab);
  } finally {
    await context.close();
    fs.rmSync(folder, { recursive: true, force: true });
  }
  assert.deepStrictEqual(problems, []);
}

main().catch((error) => {
  console.error(error.stack || error.message);
  process.exit(1);
});
