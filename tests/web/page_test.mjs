// The web build's page in headless Chromium, used as a visitor would: the
// notice, the spin, "f", "p", a drag that leaves the canvas and one that
// leaves the model spinning, a click that stops it (and then no frames and
// no processor time), Escape; the error box when the browser has no WebGL;
// and, on the test page (views/), the views whose frames are measured
// against the native ones.
//   node page_test.mjs WEB_BUILD OUT_DIR
// WEB_BUILD holds duckview.html and views/duckview.html with their .js and
// .wasm. OUT_DIR gets screenshots: the notice and the error box, the window
// spinning, with fog and as a wireframe (notice, error, start, fog,
// wireframe .png), the page at the end (ended.png); and the views' frames
// as views/<view>.ppm.
// The environment gives DUCKVIEW_WINDOW_TITLE and DUCKVIEW_NOTICE_CAPTION.
import { execFileSync } from 'node:child_process';
import { mkdirSync, readdirSync, readFileSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { newPage, serveDirectory, startChromium } from './chromium.mjs';

const [webBuild, outDir] = process.argv.slice(2);
const title = process.env.DUCKVIEW_WINDOW_TITLE;
const caption = process.env.DUCKVIEW_NOTICE_CAPTION;
if (!webBuild || !outDir || !title || !caption) {
  console.error('usage: DUCKVIEW_WINDOW_TITLE=... DUCKVIEW_NOTICE_CAPTION=... node page_test.mjs WEB_BUILD OUT_DIR');
  process.exit(2);
}
mkdirSync(join(outDir, 'views'), { recursive: true });

// The viewport's height makes the window 256 pixels, the native frames' size.
const viewport = { width: 800, height: 854 };
const side = Math.trunc(viewport.height * 0.3);
const noticeText = ' mouse: touch the window image for movement ';
// The views of tests/webgl/frame_views.h, in its order.
const views = ['start', 'fog', 'wireframe', 'underside', 'underside_fog_wireframe'];

let failures = 0;
function check(what, ok, detail = '') {
  console.log(`${ok ? 'ok' : 'FAILED'}: ${what}${detail ? ` (${detail})` : ''}`);
  if (!ok) failures++;
  return ok;
}
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Before the page's own scripts: counts the animation frames the page asks
// for (the program asks for one after every frame it swaps) and, when asked,
// takes WebGL away.
function instrument(withoutWebGl) {
  window.dvFramesAsked = 0;
  const askFrame = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = (callback) => {
    window.dvFramesAsked++;
    return askFrame(callback);
  };
  if (withoutWebGl) {
    const getContext = HTMLCanvasElement.prototype.getContext;
    HTMLCanvasElement.prototype.getContext = function (type, ...rest) {
      return /webgl/.test(type) ? null : getContext.call(this, type, ...rest);
    };
  }
}

async function openPage(browser, url, withoutWebGl = false) {
  const page = await newPage(browser);
  await page.setViewport(viewport);
  await page.evaluateOnNewDocument(instrument, withoutWebGl);
  await page.goto(url);
  return page;
}

// The message box: its caption and text, once it shows.
async function messageBox(page) {
  await page.waitForSelector('dialog.dv-message-box[open]', { timeout: 60000 });
  return page.$eval('dialog.dv-message-box', (d) => ({
    caption: d.querySelector('.dv-caption').textContent,
    text: d.querySelector('.dv-text').textContent,
    error: d.classList.contains('dv-error'),
    windowShown: document.querySelector('.dv-window:not([hidden])') !== null,
  }));
}

async function endedText(page) {
  await page.waitForFunction(() => /ended/.test(document.getElementById('dv-status').textContent), { timeout: 30000 });
  return page.$eval('#dv-status', (s) => s.textContent);
}

async function canvasBox(page) {
  return page.$eval('.dv-client', (c) => {
    const r = c.getBoundingClientRect();
    return { x: r.left, y: r.top, width: r.width, height: r.height, pixels: [c.width, c.height] };
  });
}

// The canvas as the page shows it, as RGB rows, top first.
async function shootCanvas(page) {
  const box = await canvasBox(page);
  const png = await page.screenshot({ clip: { x: box.x, y: box.y, width: box.width, height: box.height } });
  return { png, image: readPpm(execFileSync('convert', ['png:-', '-depth', '8', 'ppm:-'], { input: png })) };
}

function readPpm(data) {
  const header = data.toString('latin1', 0, 64).match(/^P6\s+(\d+)\s+(\d+)\s+255\s/);
  return { width: Number(header[1]), height: Number(header[2]), rgb: data.subarray(header[0].length) };
}

function pixel(image, x, y) {
  const i = (y * image.width + x) * 3;
  return [image.rgb[i], image.rgb[i + 1], image.rgb[i + 2]];
}

// The share of the canvas that differs from its top-left corner (the
// background) by more than 40 in some channel.
function coverage(image) {
  const background = pixel(image, 0, 0);
  let covered = 0;
  for (let y = 0; y < image.height; y++)
    for (let x = 0; x < image.width; x++)
      if (pixel(image, x, y).some((v, c) => Math.abs(v - background[c]) > 40)) covered++;
  return covered / (image.width * image.height);
}

const same = (a, b) => a.image.rgb.equals(b.image.rgb);
// Whether the model moves: two pictures of the canvas 300 ms apart.
async function moving(page) {
  const first = await shootCanvas(page);
  await sleep(300);
  return !same(first, await shootCanvas(page));
}
const framesAsked = (page) => page.evaluate(() => window.dvFramesAsked);

// Processor time (ms) of the Chromium processes that run the page: its
// renderers and the GPU process, which draws WebGL with SwiftShader.
function pageCpuMs(browserPid) {
  const children = new Map();
  const stats = new Map();
  for (const name of readdirSync('/proc')) {
    if (!/^\d+$/.test(name)) continue;
    try {
      const stat = readFileSync(`/proc/${name}/stat`, 'latin1');
      const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      const parent = Number(fields[1]);
      if (!children.has(parent)) children.set(parent, []);
      children.get(parent).push(Number(name));
      stats.set(Number(name), Number(fields[11]) + Number(fields[12]));
    } catch {
      // The process has gone meanwhile.
    }
  }
  let ticks = 0;
  const pending = [browserPid];
  while (pending.length) {
    const pid = pending.pop();
    for (const child of children.get(pid) || []) {
      pending.push(child);
      try {
        if (/--type=(renderer|gpu-process)/.test(readFileSync(`/proc/${child}/cmdline`, 'latin1')))
          ticks += stats.get(child) || 0;
      } catch {
        // Gone.
      }
    }
  }
  return ticks * 10; // clock ticks of 10 ms
}

// Over a few seconds: the frames the page asked for a second, and the
// share of a processor spent on the page's main thread (DevTools' task
// time) and in its renderer and GPU processes.
async function measure(page, pid, seconds) {
  const devtools = await page.createCDPSession();
  await devtools.send('Performance.enable');
  const taskTime = async () =>
    (await devtools.send('Performance.getMetrics')).metrics.find((m) => m.name === 'TaskDuration').value;
  const frames = await framesAsked(page), tasks = await taskTime(), cpu = pageCpuMs(pid);
  await sleep(seconds * 1000);
  const figures = {
    fps: ((await framesAsked(page)) - frames) / seconds,
    taskShare: ((await taskTime()) - tasks) / seconds,
    cpuShare: (pageCpuMs(pid) - cpu) / (seconds * 1000),
  };
  await devtools.detach();
  return figures;
}
const describe = (m) => `${m.fps.toFixed(1)} frames a second, main thread ${(100 * m.taskShare).toFixed(1)} %, ` +
  `processes ${(100 * m.cpuShare).toFixed(1)} % of a processor`;

// Presses a key, then takes the canvas until `shows` holds for it (ten
// seconds at most), and gives the last one taken.
async function pressUntil(page, key, shows) {
  await page.keyboard.press(key);
  let shot;
  for (let tries = 0; tries < 50; tries++) {
    shot = await shootCanvas(page);
    if (shows(shot.image)) break;
    await sleep(200);
  }
  return shot;
}

async function visitor(browser, origin, pid) {
  const page = await openPage(browser, `${origin}/duckview.html`);
  const notice = await messageBox(page);
  check('the notice shows first, with its caption and text, before the window',
    notice.caption === caption && notice.text === noticeText && !notice.error && !notice.windowShown,
    JSON.stringify(notice));
  await (await page.$('dialog.dv-message-box')).screenshot({ path: join(outDir, 'notice.png') });
  await page.keyboard.press('Enter');
  await page.waitForSelector('.dv-window:not([hidden])', { timeout: 30000 });
  const window = await page.$eval('.dv-window', (w) => ({
    title: w.querySelector('.dv-title').textContent, x: w.offsetLeft, y: w.offsetTop }));
  const box = await canvasBox(page);
  check('the window has the program\'s title, its place and 30 % of the page\'s height square',
    window.title === title && window.x === 50 && window.y === 50 && box.width === side && box.height === side &&
    box.pixels[0] === side && box.pixels[1] === side, JSON.stringify({ ...window, ...box }));

  await sleep(1500);
  check('the model spins', await moving(page));
  console.log(`spinning: ${describe(await measure(page, pid, 3))}`);
  await (await page.$('.dv-window')).screenshot({ path: join(outDir, 'start.png') });
  const plain = pixel((await shootCanvas(page)).image, 0, 0);

  const fogged = (image) => pixel(image, 0, 0).every((v, c) => Math.abs(v - [128, 64, 64][c]) <= 2);
  const fog = await pressUntil(page, 'f', fogged);
  await (await page.$('.dv-window')).screenshot({ path: join(outDir, 'fog.png') });
  check('"f": the fog\'s background', fogged(fog.image), `${pixel(fog.image, 0, 0)}`);
  const unfogged = await pressUntil(page, 'f', (image) => !fogged(image));
  const filled = coverage(unfogged.image);
  const wireframe = (image) => coverage(image) < 0.6 * filled && coverage(image) > 0.01;
  const wire = await pressUntil(page, 'p', wireframe);
  await (await page.$('.dv-window')).screenshot({ path: join(outDir, 'wireframe.png') });
  check('"p": a wireframe, which covers much less than the filled model', wireframe(wire.image),
    `${(100 * coverage(wire.image)).toFixed(1)} % against ${(100 * filled).toFixed(1)} %`);
  const back = await pressUntil(page, 'p', (image) => !wireframe(image));
  check('"f" and "p" again: the plain background and the filled model',
    pixel(back.image, 0, 0).join() === plain.join() && coverage(back.image) > 0.8 * filled);

  // A click stops the model; then nothing is drawn and nothing runs.
  const centre = { x: box.x + side / 2, y: box.y + side / 2 };
  await page.mouse.click(centre.x, centre.y);
  await sleep(300);
  const stopped = await shootCanvas(page);
  const still = await measure(page, pid, 3);
  check('a click stops the model', same(stopped, await shootCanvas(page)));
  check('a still model presents no frames and costs no processor time',
    still.fps === 0 && still.taskShare < 0.01 && still.cpuShare < 0.05, `still: ${describe(still)}`);

  // A drag that leaves the canvas: the model keeps turning with the
  // pointer outside, and the release outside still ends the drag.
  await page.mouse.move(centre.x, centre.y);
  await page.mouse.down();
  await sleep(100);
  await page.mouse.move(box.x + 30, centre.y + 10, { steps: 5 });
  await sleep(200);
  const inside = await shootCanvas(page);
  // Each move lands outside: only the capture brings it to the canvas.
  await page.mouse.move(box.x - 40, centre.y + 30);
  await sleep(200);
  const outside = await shootCanvas(page);
  await page.mouse.move(box.x - 60, box.y - 20);
  await sleep(200);
  const further = await shootCanvas(page);
  check('a drag goes on outside the canvas', !same(inside, outside) && !same(outside, further));
  await page.mouse.up();
  await sleep(300);
  check('released outside, the drag leaves the model spinning', await moving(page));

  await page.mouse.click(centre.x, centre.y);
  await sleep(300);
  check('a click stops it again', !(await moving(page)));

  // A drag inside that ends away from its start.
  await page.mouse.move(centre.x, centre.y);
  await page.mouse.down();
  await page.mouse.move(centre.x + 40, centre.y - 20, { steps: 8 });
  await page.mouse.up();
  await sleep(300);
  check('a drag leaves it spinning', await moving(page));

  await page.keyboard.press('Escape');
  const ended = await endedText(page);
  check('Escape ends the program and the page says so',
    ended === 'duckview has ended (exit code 0)' && (await page.$('.dv-window')) === null, ended);
  await page.screenshot({ path: join(outDir, 'ended.png') });
  await page.close();
}

async function withoutWebGl(browser, origin) {
  const page = await openPage(browser, `${origin}/duckview.html`, true);
  await messageBox(page);
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => document.querySelectorAll('dialog.dv-message-box[open]').length === 1 &&
    document.querySelector('.dv-caption').textContent === 'Error', { timeout: 30000 });
  const box = await messageBox(page);
  check('without WebGL: the error box', box.caption === 'Error' && box.text === 'ChoosePixelFormat failed\n' &&
    box.error, JSON.stringify(box));
  await (await page.$('dialog.dv-message-box')).screenshot({ path: join(outDir, 'error.png') });
  await page.keyboard.press('Enter');
  const ended = await endedText(page);
  check('then the program ends with exit code 1', ended === 'duckview has ended (exit code 1)', ended);
  await page.close();
}

// The test page's views, each one frame of the still model.
async function viewFrames(browser, origin) {
  const page = await openPage(browser, `${origin}/duckview.html`);
  await messageBox(page);
  await page.keyboard.press('Enter');
  await page.waitForSelector('.dv-window:not([hidden])', { timeout: 30000 });
  for (const [index, name] of views.entries()) {
    const before = await framesAsked(page);
    const shown = await page.evaluate((i) => {
      const ok = Module._dv_show_view(i);
      DV.wake();
      return ok;
    }, index);
    // The frame is drawn once the program asks for the next animation
    // frame; it is on the page when no more are asked for.
    await page.waitForFunction((n) => window.dvFramesAsked > n, { timeout: 10000 }, before);
    let asked;
    do {
      asked = await framesAsked(page);
      await sleep(150);
    } while ((await framesAsked(page)) !== asked);
    const { image } = await shootCanvas(page);
    writeFileSync(join(outDir, 'views', `${name}.ppm`),
      Buffer.concat([Buffer.from(`P6\n${image.width} ${image.height}\n255\n`), image.rgb]));
    check(`view ${name} drawn`, shown === 1 && image.width === side && image.height === side);
  }
  await page.close();
}

const program = await serveDirectory(webBuild);
const viewsPage = await serveDirectory(join(webBuild, 'views'));
let chromium;
try {
  chromium = await startChromium();
  const pid = chromium.browser.process().pid;
  await visitor(chromium.browser, program.origin, pid);
  await withoutWebGl(chromium.browser, program.origin);
  await viewFrames(chromium.browser, viewsPage.origin);
} catch (error) {
  check(`the run: ${error.stack}`, false);
} finally {
  if (chromium) await chromium.close();
  await program.close();
  await viewsPage.close();
}
process.exit(failures ? 1 : 0);
