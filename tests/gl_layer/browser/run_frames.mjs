// Opens page.html (with the Emscripten build of page_main.cpp beside it) in
// headless Chromium, served from 127.0.0.1, and writes the frames it draws
// as OUT_DIR/<view>.ppm, as the native frames programs do.
//   node run_frames.mjs PAGE_DIR OUT_DIR
// Chromium is the system's (chromium.mjs).
import { writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { newPage, serveDirectory, startChromium } from './chromium.mjs';

const [pageDir, outDir] = process.argv.slice(2);
if (!pageDir || !outDir) {
  console.error('usage: node run_frames.mjs PAGE_DIR OUT_DIR');
  process.exit(2);
}

const server = await serveDirectory(pageDir);
let chromium;
let failed = false;
try {
  chromium = await startChromium();
  const page = await newPage(chromium.browser);
  await page.goto(`${server.origin}/page.html`);
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
  if (chromium) await chromium.close();
  await server.close();
}
process.exit(failed ? 1 : 0);
