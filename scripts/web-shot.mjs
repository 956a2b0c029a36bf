// web-shot.mjs URL PNG: opens the web page at URL in headless Chromium
// (chromium.mjs), dismisses the start-up notice, saves a screenshot of the
// page with the spinning duck as PNG and ends the program with Escape.
import { newPage, startChromium } from './chromium.mjs';

const [url, png] = process.argv.slice(2);
const chromium = await startChromium();
let failed = false;
try {
  const page = await newPage(chromium.browser);
  await page.setViewport({ width: 1024, height: 768 });
  let wasmType = 'nothing';
  page.on('response', (response) => {
    if (response.url().endsWith('.wasm')) wasmType = response.headers()['content-type'];
  });
  await page.goto(url);
  await page.waitForSelector('dialog.dv-message-box[open]', { timeout: 60000 });
  await page.keyboard.press('Enter');
  await page.waitForSelector('.dv-window:not([hidden])', { timeout: 60000 });
  await new Promise((resolve) => setTimeout(resolve, 2000));
  await page.screenshot({ path: png });
  console.log(`screenshot of the spinning duck: ${png}`);
  await page.keyboard.press('Escape');
  await page.waitForFunction(() => /ended/.test(document.getElementById('dv-status').textContent), { timeout: 30000 });
  console.log(`the page says: ${await page.$eval('#dv-status', (s) => s.textContent)}`);
  if (wasmType !== 'application/wasm') throw new Error(`duckview.wasm was served as ${wasmType}`);
} catch (error) {
  console.error(`web-shot: ${error.message}`);
  failed = true;
} finally {
  await chromium.close();
}
process.exit(failed ? 1 : 0);
