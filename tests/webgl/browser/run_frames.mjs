// Opens page.html (with the Emscripten build of page_main.cpp beside it) in
// headless Chromium, served from 127.0.0.1, and writes the frames it draws
// as OUT_DIR/<view>.ppm, as the native frames programs do.
//   node run_frames.mjs PAGE_DIR OUT_DIR
// Chromium is the system's (CHROMIUM, default /usr/bin/chromium); nothing is
// downloaded. WebGL comes from its software renderer, SwiftShader.
import { createServer } from 'node:http';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { extname, join } from 'node:path';
import puppeteer from 'puppeteer-core';

const [pageDir, outDir] = process.argv.slice(2);
if (!pageDir || !outDir) {
  console.error('usage: node run_frames.mjs PAGE_DIR OUT_DIR');
  process.exit(2);
}

const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm' };
const server = createServer((request, response) => {
  const name = new URL(request.url, 'http://127.0.0.1').pathname.replace(/^\/+/, '');
  if (!/^[\w.-]+$/.test(name) || !types[extname(name)]) {
    response.writeHead(name === 'favicon.ico' ? 204 : 404).end();
    return;
  }
  try {
    const body = readFileSync(join(pageDir, name));
    response.writeHead(200, { 'Content-Type': types[extname(name)] }).end(body);
  } catch {
    response.writeHead(404).end();
  }
});
await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));

const profile = mkdtempSync(join(tmpdir(), 'duckview-chromium-'));
let browser;
let failed = false;
try {
  browser = await puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', '--enable-unsafe-swiftshader'],
  });
  const page = await browser.newPage();
  page.on('console', (message) => console.log(`page: ${message.text()}`));
  page.on('pageerror', (error) => console.log(`page error: ${error.message}`));
  await page.goto(`http://127.0.0.1:${server.address().port}/page.html`);
  await page.waitForFunction(() => window.framesDone || window.framesFailed, { timeout: 120000 });
  const result = await page.evaluate(() => {
    const gl = document.createElement('canvas').getContext('webgl');
    const info = gl && gl.getExtension('WEBGL_debug_renderer_info');
    return {
      failed: window.framesFailed,
      done: window.framesDone,
      frames: drawnFrames,
      renderer: info ? gl.getParameter(info.UNMASKED_RENDERER_WEBGL) : 'unknown',
    };
  });
  if (result.failed) throw new Error(result.failed);

  const side = 256;
  for (const [name, base64] of Object.entries(result.frames)) {
    // RGBA with the bottom row first, as read back; the files hold RGB with
    // the top row first.
    const rgba = Buffer.from(base64, 'base64');
    const rgb = Buffer.alloc(side * side * 3);
    for (let y = 0; y < side; y++)
      for (let x = 0; x < side; x++)
        rgba.copy(rgb, (y * side + x) * 3, ((side - 1 - y) * side + x) * 4, ((side - 1 - y) * side + x) * 4 + 3);
    writeFileSync(join(outDir, `${name}.ppm`), Buffer.concat([Buffer.from(`P6\n${side} ${side}\n255\n`), rgb]));
  }
  console.log(`${Object.keys(result.frames).length} frames on ${result.renderer}; ` +
    `${result.done.msPerFrame.toFixed(3)} ms a frame`);
} catch (error) {
  console.error(`browser frames failed: ${error.message}`);
  failed = true;
} finally {
  if (browser) await browser.close();
  server.close();
  rmSync(profile, { recursive: true, force: true });
}
process.exit(failed ? 1 : 0);
