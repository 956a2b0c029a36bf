// web_page.mjs WEB_BUILD ROUNDS SECONDS: the web page's figures for
// scripts/bench, from the system's headless Chromium (chromium.mjs, beside
// this script) on the page of WEB_BUILD served from 127.0.0.1; JSON on
// stdout. Each round is a first visit in a new browser context (nothing
// cached, no service worker), in a 1024x768 viewport at device pixel ratio
// 1, timed by the page's own clock (performance.now(), which starts at the
// navigation):
// - notice: from the navigation to the animation frame that shows the
//   notice;
// - first frame: from the key press on OK to the animation frame that shows
//   the program's first frame. OK is pressed half a second after the
//   notice shows, as no reader is quicker; the page makes the window's
//   WebGL context and shaders ready meanwhile;
// - frames: over SECONDS of the spinning model, each frame from
//   RenderFrame's first WebGL call (clearColor) to the return of its last
//   draw call (drawArrays): the time the page's main thread takes to issue
//   the frame, not the GPU process's time to draw it. The page's clock
//   moves in steps of 0.1 ms, so the mean over the frames is given beside
//   the median.
// The download: the files the first round's visit fetched, with their size
// as served (uncompressed) and compressed with gzip and brotli at their
// highest levels, as a host may send them.
import { readFileSync } from 'node:fs';
import { basename, join } from 'node:path';
import { brotliCompressSync, constants, gzipSync } from 'node:zlib';
import { serveDirectory, startChromium } from './chromium.mjs';

const [webBuild, rounds, seconds] = process.argv.slice(2);
if (!webBuild || !(Number(rounds) >= 1) || !(Number(seconds) > 0)) {
  console.error('usage: node web_page.mjs WEB_BUILD ROUNDS SECONDS');
  process.exit(2);
}
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Before the page's scripts: the moments above, and the frames' times.
function instrument() {
  const now = () => performance.now();
  const bench = (window.dvBench = { noticeShown: null, ok: null, firstFrameShown: null, frames: [] });
  const askFrame = window.requestAnimationFrame.bind(window);
  const showModal = HTMLDialogElement.prototype.showModal;
  HTMLDialogElement.prototype.showModal = function () {
    showModal.call(this);
    if (bench.noticeShown === null) askFrame(() => { bench.noticeShown = now(); });
  };
  window.addEventListener('keydown', (e) => {
    if (e.key === 'Enter' && bench.ok === null) bench.ok = now();
  }, true);
  let frameStart = null, drawEnd = null;
  const gl = WebGLRenderingContext.prototype, clearColor = gl.clearColor, drawArrays = gl.drawArrays;
  gl.clearColor = function (...args) {
    if (frameStart === null) frameStart = now();
    return clearColor.apply(this, args);
  };
  gl.drawArrays = function (...args) {
    drawArrays.apply(this, args);
    drawEnd = now();
  };
  // The program asks for an animation frame after each frame it swaps.
  window.requestAnimationFrame = (callback) => {
    if (frameStart !== null && drawEnd !== null) bench.frames.push(drawEnd - frameStart);
    frameStart = drawEnd = null;
    if (bench.ok === null || bench.firstFrameShown !== null) return askFrame(callback);
    return askFrame((time) => {
      if (bench.firstFrameShown === null) bench.firstFrameShown = now();
      callback(time);
    });
  };
}

const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = sorted.length >> 1;
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
};

async function visit(browser, url) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  page.on('pageerror', (error) => console.error(`page error: ${error.message}`));
  const fetched = new Map();
  page.on('requestfinished', (request) => fetched.set(request.url(), request));
  await page.setViewport({ width: 1024, height: 768 });
  await page.evaluateOnNewDocument(instrument);
  await page.goto(url);
  await page.waitForFunction(() => window.dvBench.noticeShown !== null, { timeout: 60000 });
  await sleep(500);
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => window.dvBench.firstFrameShown !== null, { timeout: 60000 });
  await sleep(Number(seconds) * 1000);
  const bench = await page.evaluate(() => window.dvBench);
  const served = [];
  for (const [address, request] of fetched) {
    const response = request.response();
    if (response && response.ok() && !response.fromServiceWorker())
      served.push({ name: basename(new URL(address).pathname), bytes: (await response.buffer()).length });
  }
  await context.close();
  // The first frame is the one that builds the shaders: it is not counted.
  const frames = bench.frames.slice(1);
  return {
    notice_ms: bench.noticeShown, first_frame_ms: bench.firstFrameShown - bench.ok,
    frame_ms: frames.reduce((sum, ms) => sum + ms, 0) / frames.length, frame_median_ms: median(frames),
    frames: frames.length, served,
  };
}

const server = await serveDirectory(webBuild);
let chromium, failed = false;
try {
  chromium = await startChromium();
  const results = { chromium: await chromium.browser.version(), rounds: [] };
  for (let r = 0; r < Number(rounds); r++) {
    const round = await visit(chromium.browser, `${server.origin}/duckview.html`);
    if (r === 0) {
      results.files = round.served.map(({ name, bytes }) => {
        const data = readFileSync(join(webBuild, name));
        if (data.length !== bytes) throw new Error(`${name}: ${bytes} bytes served, ${data.length} in the build`);
        return {
          name, bytes, gzip: gzipSync(data, { level: 9 }).length,
          brotli: brotliCompressSync(data, { params: { [constants.BROTLI_PARAM_QUALITY]: 11 } }).length,
        };
      });
    }
    delete round.served;
    results.rounds.push(round);
    console.error(`round ${r + 1}: notice ${round.notice_ms.toFixed(1)} ms, first frame ` +
      `${round.first_frame_ms.toFixed(1)} ms after OK, ${round.frame_ms.toFixed(3)} ms a frame (${round.frames})`);
  }
  console.log(JSON.stringify(results));
} catch (error) {
  console.error(`web_page: ${error.stack}`);
  failed = true;
} finally {
  if (chromium) await chromium.close();
  await server.close();
}
process.exit(failed ? 1 : 0);
