// What the browser tests share: a static server for a page's directory on
// 127.0.0.1, and the system's Chromium, headless, with WebGL from its
// software renderer (SwiftShader). Nothing is downloaded: CHROMIUM names
// the browser, /usr/bin/chromium by default.
import { createServer } from 'node:http';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { extname, join } from 'node:path';
import puppeteer from 'puppeteer-core';

export const contentTypes = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript',
  '.wasm': 'application/wasm',
  '.webmanifest': 'application/manifest+json',
  '.png': 'image/png',
};

// Serves the files directly in `dir` (no subdirectories) at the address it
// returns; close() stops it.
export async function serveDirectory(dir) {
  const server = createServer((request, response) => {
    const name = new URL(request.url, 'http://127.0.0.1').pathname.replace(/^\/+/, '');
    if (!/^[\w.-]+$/.test(name) || !contentTypes[extname(name)]) {
      response.writeHead(name === 'favicon.ico' ? 204 : 404).end();
      return;
    }
    try {
      const body = readFileSync(join(dir, name));
      response.writeHead(200, { 'Content-Type': contentTypes[extname(name)] }).end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return {
    origin: `http://127.0.0.1:${server.address().port}`,
    // Stops at once: connections the browser keeps open are closed too.
    close: () => new Promise((resolve) => {
      server.close(resolve);
      server.closeAllConnections();
    }),
  };
}

// Starts headless Chromium on a new empty profile; close() ends it and
// removes the profile.
export async function startChromium() {
  const profile = mkdtempSync(join(tmpdir(), 'duckview-chromium-'));
  let browser;
  try {
    browser = await puppeteer.launch({
      executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
      headless: true,
      userDataDir: profile,
      args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
        '--disable-component-update', '--disable-sync', '--enable-unsafe-swiftshader'],
    });
  } catch (error) {
    rmSync(profile, { recursive: true, force: true });
    throw error;
  }
  return {
    browser,
    close: async () => {
      await browser.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

// A new tab whose console and errors go to ours, prefixed.
export async function newPage(browser, prefix = 'page') {
  const page = await browser.newPage();
  page.on('console', (message) => console.log(`${prefix}: ${message.text()}`));
  page.on('pageerror', (error) => console.log(`${prefix} error: ${error.message}`));
  return page;
}
