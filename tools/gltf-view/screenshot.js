#!/usr/bin/env node
// Takes a picture of a glTF or GLB file as view.html shows it in headless Chromium, or of a page
// that `ed-load --format html` wrote, opened from disk with SELECTION (an instance id) selected:
//   screenshot.js MODEL.glb OUT.png [WIDTHxHEIGHT]
//   screenshot.js PAGE.html OUT.png [WIDTHxHEIGHT] [SELECTION]
// The page and the model are served from this machine only; the browser gets a fresh profile and
// no network beyond that.
'use strict';
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const { chromium } = require('playwright-core');

const [model, out, size = '1200x800', selection = ''] = process.argv.slice(2);
if (!model || !out) {
  console.error('usage: screenshot.js MODEL.glb|PAGE.html OUT.png [WIDTHxHEIGHT] [SELECTION]');
  process.exit(2);
}
const [width, height] = size.split('x').map(Number);
const browserPath = process.env.CHROMIUM || '/usr/bin/chromium';
const kTypes = { '.html': 'text/html', '.js': 'text/javascript', '.glb': 'model/gltf-binary',
                 '.gltf': 'model/gltf+json' };

// The tool's own folder (the page and three's modules) and the model under /model.
function serve(request, response) {
  const url = new URL(request.url, 'http://localhost');
  const file = url.pathname.startsWith('/model')
    ? path.resolve(model)
    : path.join(__dirname, path.normalize(decodeURIComponent(url.pathname)));
  if (!file.startsWith(__dirname) && file !== path.resolve(model)) return response.writeHead(403).end();
  fs.readFile(file, (error, data) => {
    if (error) return response.writeHead(404).end();
    response.writeHead(200, { 'Content-Type': kTypes[path.extname(file)] || 'application/octet-stream' });
    response.end(data);
  });
}

async function main() {
  const server = http.createServer(serve).listen(0, '127.0.0.1');
  await new Promise((resolve) => server.once('listening', resolve));
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'gltf-view-'));
  const context = await chromium.launchPersistentContext(profile, {
    executablePath: browserPath,
    headless: true,
    viewport: { width, height },
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
           // WebGL without a GPU: the software renderer.
           '--use-angle=swiftshader', '--enable-unsafe-swiftshader'],
  });
  try {
    const page = context.pages()[0] || await context.newPage();
    const extension = path.extname(model);
    if (extension === '.html') {
      await page.goto(`file://${path.resolve(model)}#select=${encodeURIComponent(selection)}`);
      await page.waitForFunction(() => document.documentElement.dataset.ready, null, { timeout: 60000 });
    } else {
      await page.goto(`http://127.0.0.1:${server.address().port}/view.html?model=/model${extension}`);
      await page.waitForFunction(() => document.title !== '', null, { timeout: 60000 });
      const title = await page.title();
      if (title !== 'ready') throw new Error(title);
    }
    await page.screenshot({ path: out });
  } finally {
    await context.close();
    server.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
}

main().catch((error) => {
  console.error(`screenshot.js: ${error.message}`);
  process.exit(1);
});
