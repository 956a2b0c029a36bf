// The web build's page in headless Chromium, used as a visitor would: the
// notice, the keyboard's focus and what assistive technology is told, the
// spin, "f", "p", the WebGL context lost and given back, a drag that leaves
// the canvas and one that leaves the model spinning, a click that stops it
// (and then no frames and no processor time), Escape; the error box when
// the browser has no WebGL; the page installed and opened offline; and, on
// the test page (views/), at device pixel ratios 1, 1.5 and 2 and across a
// change: the canvas's pixels, the turn a drag gives, and the views whose
// frames are measured against the native ones.
//   node page_test.mjs WEB_BUILD OUT_DIR
// WEB_BUILD holds duckview.html and views/duckview.html with their .js and
// .wasm. OUT_DIR gets screenshots: the notice and the error box, the window
// spinning, with fog and as a wireframe (notice, error, start, fog,
// wireframe .png), the page at the end (ended.png); the views' frames as
// views/<view>.ppm, at ratio 2 as views-2/<view>.ppm (the window as
// ratio-2/<view>.png), after a change from 1 to 2 as views-change/, and
// after a lost context came back as restored/<view>.ppm.
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

// The viewport's height makes the window 256 pixels, the native frames'
// size; at another device pixel ratio, 256 device pixels.
const viewport = { width: 800, height: 854 };
const side = Math.trunc(viewport.height * 0.3);
const viewportHeight = (ratio) => Math.ceil((viewport.height - 0.5) / ratio);
const noticeText = ' mouse: touch the window image for movement ';
// The views of tests/gl_layer/frame_views.h, in its order.
const views = ['start', 'fog', 'wireframe', 'underside', 'underside_fog_wireframe'];

let failures = 0;
function check(what, ok, detail = '') {
  console.log(`${ok ? 'ok' : 'FAILED'}: ${what}${detail ? ` (${detail})` : ''}`);
  if (!ok) failures++;
  return ok;
}
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Before the page's own scripts: notes when the page asks for an animation
// frame (the program asks for one after every frame it swaps) and, when
// asked, takes WebGL away.
function instrument(withoutWebGl) {
  window.dvFramesAskedAt = [];
  const askFrame = window.requestAnimationFrame.bind(window);
  window.requestAnimationFrame = (callback) => {
    window.dvFramesAskedAt.push(performance.now());
    return askFrame(callback);
  };
  if (withoutWebGl) {
    const getContext = HTMLCanvasElement.prototype.getContext;
    HTMLCanvasElement.prototype.getContext = function (type, ...rest) {
      return /webgl/.test(type) ? null : getContext.call(this, type, ...rest);
    };
  }
}

async function openPage(browser, url, withoutWebGl = false, deviceScaleFactor = 1) {
  const page = await newPage(browser);
  await page.setViewport({ ...viewport, height: viewportHeight(deviceScaleFactor), deviceScaleFactor });
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
    return { x: r.left, y: r.top, width: r.width, height: r.height, pixels: [c.width, c.height],
      ratio: devicePixelRatio };
  });
}

// The canvas as the page shows it, in device pixels, as RGB rows, top first.
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
const framesAsked = (page) => page.evaluate(() => window.dvFramesAskedAt.length);

// Waits for the frame asked for after `before` frames, then until no more
// are asked for: the picture holds still.
async function frameDrawn(page, before) {
  await page.waitForFunction((n) => window.dvFramesAskedAt.length > n, { timeout: 10000 }, before);
  let asked;
  do {
    asked = await framesAsked(page);
    await sleep(150);
  } while ((await framesAsked(page)) !== asked);
}

// Takes the canvas's WebGL context away (lose) or gives it back, as the
// browser does after a GPU reset; the page's clock at that moment.
const loseContext = (page, lose) => page.evaluate((lose) => {
  const canvas = document.querySelector('.dv-client');
  // A lost context gives no extensions: the one taken before serves both.
  canvas.dvLoser = canvas.dvLoser || canvas.getContext('webgl').getExtension('WEBGL_lose_context');
  if (lose) canvas.dvLoser.loseContext();
  else canvas.dvLoser.restoreContext();
  return performance.now();
}, lose);
const noteText = (page) => page.$eval('.dv-note', (n) => (n.hidden ? '' : n.textContent));

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

// Chromium's accessibility tree (over DevTools): the nodes with a role.
async function accessibleNodes(page) {
  const nodes = [];
  const visit = (node) => {
    if (!node) return;
    nodes.push(node);
    (node.children || []).forEach(visit);
  };
  visit(await page.accessibility.snapshot({ interestingOnly: false }));
  return nodes;
}
const focusedNode = async (page) => (await accessibleNodes(page)).find((n) => n.focused) || {};
const canvasFocused = (page) => page.evaluate(() => document.activeElement === document.querySelector('.dv-client'));

async function keyboard(page) {
  const dialog = (await accessibleNodes(page)).find((n) => n.role === 'dialog') || {};
  await page.keyboard.press('Tab');
  const kept = await focusedNode(page);
  check('the notice is a dialog named by its caption, and Tab keeps the focus on its OK button',
    dialog.name === caption && dialog.description === noticeText.trim() && kept.role === 'button' &&
    kept.name === 'OK', JSON.stringify({ dialog: [dialog.name, dialog.description], focused: [kept.role, kept.name] }));
  const ready = await page.waitForFunction(() => document.querySelector('canvas.dv-client[hidden]'), { timeout: 5000 })
    .then(() => true, () => false);
  check('while the notice waits, the window\'s canvas is made ready behind it', ready);
  await page.keyboard.press('Enter');
  await page.waitForSelector('.dv-window:not([hidden])', { timeout: 30000 });
  const viewer = await focusedNode(page);
  check('the window shown has the focus: its canvas, an application named for the viewer and its keys',
    viewer.role === 'application' && /^duckview: KEYS:f,p and MOUSE$/.test(viewer.name) &&
    /Escape/.test(viewer.description) && (await canvasFocused(page)), JSON.stringify(viewer));
  await page.keyboard.press('Tab');
  const left = !(await canvasFocused(page));
  let presses = 0;
  while (!(await canvasFocused(page)) && presses < 4) {
    await page.keyboard.press('Tab');
    presses++;
  }
  const outline = await page.$eval('.dv-client', (c) => getComputedStyle(c).outlineStyle);
  check('Tab moves the focus out of the viewer and back in, where it shows',
    left && (await canvasFocused(page)) && outline !== 'none', `${presses} more presses, outline ${outline}`);
}

// With fog and wireframe on: the context lost, then back. Meanwhile the
// page says so, draws nothing and costs nothing; once back, the picture
// returns within a second without a reload, and the model spins on.
async function contextLoss(page, pid, fogAndWire) {
  await page.evaluate(() => { window.dvBeforeLoss = true; });
  await loseContext(page, true);
  await sleep(300);
  const lost = await measure(page, pid, 2);
  const said = await noteText(page);
  check('a lost context: the page says so, presents no frames and costs no processor time',
    /graphics \(WebGL\) context/.test(said) && lost.fps === 0 && lost.taskShare < 0.01 && lost.cpuShare < 0.05,
    `lost: ${describe(lost)}`);
  const asked = await framesAsked(page);
  const restoredAt = await loseContext(page, false);
  await page.waitForFunction((n) => window.dvFramesAskedAt.length > n, { timeout: 1000 }, asked).catch(() => {});
  const shot = await shootCanvas(page);
  const back = await page.evaluate((t) => ({
    ms: (window.dvFramesAskedAt.find((at) => at > t) ?? Infinity) - t, notReloaded: window.dvBeforeLoss === true,
  }), restoredAt);
  check('given back, the picture returns within a second, with fog and wireframe, without a reload',
    back.ms <= 1000 && back.notReloaded && fogAndWire(shot.image) && (await noteText(page)) === '',
    `first frame ${back.ms.toFixed(0)} ms after the context came back`);
  check('and the model spins on', await moving(page));
}

async function visitor(browser, origin, pid) {
  const page = await openPage(browser, `${origin}/duckview.html`);
  const notice = await messageBox(page);
  check('the notice shows first, with its caption and text, before the window',
    notice.caption === caption && notice.text === noticeText && !notice.error && !notice.windowShown,
    JSON.stringify(notice));
  await (await page.$('dialog.dv-message-box')).screenshot({ path: join(outDir, 'notice.png') });
  await keyboard(page);
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
  const fogAndWire = (image) => fogged(image) && wireframe(image);
  await pressUntil(page, 'f', fogAndWire);
  await contextLoss(page, pid, fogAndWire);
  await pressUntil(page, 'f', (image) => !fogged(image));
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

// The page served once, installable, then opened again with the server
// stopped, the HTTP cache off and the network gone: its service worker
// brings it, and the duck spins.
async function offline(browser) {
  const server = await serveDirectory(webBuild);
  const page = await openPage(browser, `${server.origin}/duckview.html`);
  await messageBox(page);
  const cached = await page.evaluate(async () => {
    await navigator.serviceWorker.ready;
    return caches.keys();
  });
  const devtools = await page.createCDPSession();
  const { installabilityErrors } = await devtools.send('Page.getInstallabilityErrors');
  await devtools.detach();
  const cacheName = /const cacheName = '([^']+)'/.exec(readFileSync(join(webBuild, 'duckview-sw.js'), 'latin1'))[1];
  check('the page is installable, and its worker keeps this build\'s files in one cache',
    installabilityErrors.length === 0 && cached.join() === cacheName, JSON.stringify({ installabilityErrors, cached }));
  await server.close();
  await page.setCacheEnabled(false);
  await page.setOfflineMode(true);
  await page.reload();
  await messageBox(page);
  await page.keyboard.press('Enter');
  await page.waitForSelector('.dv-window:not([hidden])', { timeout: 30000 });
  await sleep(1000);
  check('offline, with the server stopped and no HTTP cache, the page opens and the duck spins', await moving(page));
  await page.close();
}

// The test page at a device pixel ratio, past its notice.
async function openViews(browser, origin, ratio) {
  const page = await openPage(browser, `${origin}/duckview.html`, false, ratio);
  await messageBox(page);
  await page.keyboard.press('Enter');
  await page.waitForSelector('.dv-window:not([hidden])', { timeout: 30000 });
  return page;
}

// Puts the program into a view (frame_views.h) and waits for its frame.
async function showView(page, index) {
  const before = await framesAsked(page);
  const shown = await page.evaluate((i) => {
    const ok = Module._dv_show_view(i);
    DV.wake();
    return ok;
  }, index);
  await frameDrawn(page, before);
  return shown === 1;
}

function writePpm(path, image) {
  writeFileSync(path, Buffer.concat([Buffer.from(`P6\n${image.width} ${image.height}\n255\n`), image.rgb]));
}

// Each view, one frame of the still model, into OUT_DIR/dir; with
// `windows`, the whole window as PNG too.
async function shootViews(page, dir, windows) {
  mkdirSync(join(outDir, dir), { recursive: true });
  if (windows) mkdirSync(join(outDir, windows), { recursive: true });
  let drawn = 0;
  for (const [index, name] of views.entries()) {
    const shown = await showView(page, index);
    const { image } = await shootCanvas(page);
    writePpm(join(outDir, dir, `${name}.ppm`), image);
    if (windows) await (await page.$('.dv-window')).screenshot({ path: join(outDir, windows, `${name}.png`) });
    drawn += shown && image.width === side && image.height === side;
  }
  check(`${dir}: every view drawn, ${side} device pixels square`, drawn === views.length);
}

// The width of the counter's first stroke across its middle row, in device
// pixels: the left side of the first digit, a 0.
function strokeWidth(image) {
  const y = Math.round(image.height * (1 - (1 + 0.76) / 2)), background = pixel(image, 0, 0);
  let x = Math.floor(image.width * (1 + 0.18) / 2), width = 0;
  const stroke = (u) => pixel(image, u, y).some((v, c) => Math.abs(v - background[c]) > 40);
  while (x < image.width / 2 + 40 && !stroke(x)) x++;
  while (stroke(x + width)) width++;
  return width;
}

// The canvas's drawing buffer against its CSS size, and a drag from the
// centre to the right edge's middle in steps, each drawn before the next:
// the angle the model turned by.
async function ratioChecks(page, what) {
  const box = await canvasBox(page);
  const sizes = `${box.pixels.join('x')} pixels for ${box.width.toFixed(2)}x${box.height.toFixed(2)} CSS pixels`;
  check(`${what}: the canvas has a pixel for each device pixel, ${side} square`,
    box.pixels[0] === side && box.pixels[1] === side && Math.abs(box.width * box.ratio - side) <= 1 &&
    Math.abs(box.height * box.ratio - side) <= 1, sizes);
  await showView(page, 0);
  const rotation = () => page.evaluate(() => Array.from(HEAPF32.subarray(Module._dv_view_rotation() / 4).slice(0, 16)));
  const before = await rotation();
  // Device pixels (the middle of pixel x, y) to the page's CSS pixels.
  const at = (x, y) => [box.x + (x + 0.5) / box.ratio, box.y + (y + 0.5) / box.ratio];
  await page.mouse.move(...at(side / 2, side / 2));
  await page.mouse.down();
  for (const x of [160, 192, 224, 250]) {
    const asked = await framesAsked(page);
    await page.mouse.move(...at(x, side / 2));
    await frameDrawn(page, asked);
  }
  const after = await rotation();
  await page.mouse.up();
  // The turn from before to after: trace(after * before^T) = 1 + 2 cos(angle).
  let trace = 0;
  for (let i = 0; i < 3; i++)
    for (let k = 0; k < 3; k++) trace += after[k * 4 + i] * before[k * 4 + i];
  return Math.acos(Math.min(1, Math.max(-1, (trace - 1) / 2))) * 180 / Math.PI;
}

// The test page at ratios 1, 1.5 and 2 and across a change from 1 to 2:
// the same pixels, the same turn for the same drag, the same frames (views/,
// views-2/, views-change/); at 2 also the frame after the context came back
// (restored/), and what the page says when it cannot be made again.
async function ratios(browser, origin) {
  const angles = {};
  let page = await openViews(browser, origin, 1);
  await shootViews(page, 'views');
  angles['1'] = await ratioChecks(page, 'ratio 1');
  // A zoom to 200 %: the same device pixels, half as many CSS pixels.
  await page.setViewport({ width: viewport.width / 2, height: viewportHeight(2), deviceScaleFactor: 2 });
  await page.waitForFunction((css) => document.querySelector('.dv-client').getBoundingClientRect().width < css,
    { timeout: 5000 }, side).catch(() => {});
  angles['1 then 2'] = await ratioChecks(page, 'ratio 1 then 2');
  await shootViews(page, 'views-change');
  await page.close();

  page = await openViews(browser, origin, 1.5);
  angles['1.5'] = await ratioChecks(page, 'ratio 1.5');
  await page.close();

  page = await openViews(browser, origin, 2);
  angles['2'] = await ratioChecks(page, 'ratio 2');
  await shootViews(page, 'views-2', 'ratio-2');
  const widths = [];
  for (const dir of ['views', 'views-2', 'views-change'])
    widths.push(strokeWidth(readPpm(readFileSync(join(outDir, dir, 'start.ppm')))));
  check('the counter\'s strokes are as many device pixels wide at every ratio, as the program draws them',
    widths.every((w) => w === 2), `${widths.join(', ')} device pixels`);
  const turned = Object.values(angles);
  check('a drag across the canvas turns the model by the same angle at every ratio',
    turned[0] > 10 && turned.every((a) => Math.abs(a - turned[0]) < 0.01),
    Object.entries(angles).map(([r, a]) => `${r}: ${a.toFixed(3)} degrees`).join(', '));

  // The still view with fog and wireframe (a click drops the increment the
  // view's frame composed), lost and given back: the same frame.
  await showView(page, views.indexOf('underside_fog_wireframe'));
  const box = await canvasBox(page);
  let asked = await framesAsked(page);
  await page.mouse.click(box.x + box.width / 2, box.y + box.height / 2);
  await frameDrawn(page, asked);
  await loseContext(page, true);
  await sleep(500);
  asked = await framesAsked(page);
  await loseContext(page, false);
  await frameDrawn(page, asked);
  mkdirSync(join(outDir, 'restored'), { recursive: true });
  writePpm(join(outDir, 'restored', 'underside_fog_wireframe.ppm'), (await shootCanvas(page)).image);

  // Shaders that no longer build on the context given back.
  await loseContext(page, true);
  await page.evaluate(() => {
    const status = WebGLRenderingContext.prototype.getShaderParameter;
    WebGLRenderingContext.prototype.getShaderParameter = function (shader, name) {
      return name === this.COMPILE_STATUS ? false : status.call(this, shader, name);
    };
  });
  await loseContext(page, false);
  await page.waitForFunction(() => /cannot come back/.test(document.querySelector('.dv-note').textContent),
    { timeout: 5000 }).catch(() => {});
  const said = await noteText(page);
  check('a context given back on which the layer cannot be made again: the page says so', /cannot come back/.test(said),
    said);
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
  await offline(chromium.browser);
  await ratios(chromium.browser, viewsPage.origin);
} catch (error) {
  check(`the run: ${error.stack}`, false);
} finally {
  if (chromium) await chromium.close();
  await program.close();
  await viewsPage.close();
}
process.exit(failures ? 1 : 0);
