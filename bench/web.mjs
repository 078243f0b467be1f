// The web page's figures, printed as a markdown table; nothing here is a
// pass or fail. Run by hand after scripts/build-web.sh:
//   node bench/web.mjs [--idle-seconds N] [--runs N]
// It serves build-web/ itself and drives Debian's headless Chromium.
import { mkdtempSync, readdirSync, readFileSync, rmSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { extname, join } from 'node:path';
import { gzipSync } from 'node:zlib';
import puppeteer from 'puppeteer-core';

const option = (name, fallback) => {
  const at = process.argv.indexOf(`--${name}`);
  return at > 0 ? Number(process.argv[at + 1]) : fallback;
};
const idleSeconds = option('idle-seconds', 20);
const runs = option('runs', 5);
const served = 'build-web';
const prompt = 'Choose A Direction (N, S, E, W) (Or Press Q To Quit)';
const viewports = {
  desktop: { width: 1280, height: 800 },
  phone: { width: 390, height: 844, hasTouch: true, isMobile: true },
};

const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm', '.webmanifest': 'application/manifest+json', '.png': 'image/png' };
const server = createServer((request, response) => {
  const path = new URL(request.url, 'http://x').pathname;
  const file = join(served, path === '/' ? 'index.html' : path.slice(1));
  try {
    const body = readFileSync(file);
    response.writeHead(200, { 'Content-Type': types[extname(file)] ?? 'application/octet-stream' });
    response.end(body);
  } catch {
    response.writeHead(404).end();
  }
});
await new Promise((done) => server.listen(0, '127.0.0.1', done));
const url = `http://127.0.0.1:${server.address().port}/`;

async function launch() {
  const profile = mkdtempSync(join(tmpdir(), 'maze-bench-'));
  const browser = await puppeteer.launch({
    executablePath: process.env.MAZE_CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  return { browser, done: async () => {
    await browser.close();
    rmSync(profile, { recursive: true, force: true });
  } };
}

// Milliseconds from the navigation's start to the whole first prompt.
async function firstPrompt(page) {
  await page.goto(url);
  const seen = await page.waitForFunction((wanted) => {
    const terminal = window.mazeTerminal;
    const buffer = terminal?.buffer.active;
    let words = '';
    for (let y = 0; buffer && y < terminal.rows; ++y) {
      words += ` ${buffer.getLine(buffer.viewportY + y).translateToString(false)}`;
    }
    return words.replace(/\s+/g, ' ').includes(wanted) && performance.now();
  }, { timeout: 10000 }, prompt);
  return seen.jsonValue();
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// Cold: a new browser with nothing kept; warm: the same page loaded again,
// from the service worker's cache.
const starts = {};
for (const [name, viewport] of Object.entries(viewports)) {
  const cold = [];
  const warm = [];
  for (let run = 0; run < runs; ++run) {
    const { browser, done } = await launch();
    const page = await browser.newPage();
    await page.setViewport(viewport);
    cold.push(await firstPrompt(page));
    await page.waitForFunction(() => navigator.serviceWorker.controller);
    await page.close();
    for (let again = 0; again < 3; ++again) {
      const next = await browser.newPage();
      await next.setViewport(viewport);
      warm.push(await firstPrompt(next));
      await next.close();
    }
    await done();
  }
  starts[name] = { cold: median(cold), warm: median(warm), warmRange: [Math.min(...warm), Math.max(...warm)] };
}

// Every file the page fetches, the service worker included.
const files = readdirSync(served);
const gzipped = (names) =>
  names.reduce((sum, file) => sum + gzipSync(readFileSync(join(served, file)), { level: 9 }).length, 0);
const whole = gzipped(files);
const game = gzipped(['maze.wasm', 'maze.js']);
const terminal = gzipped(['xterm.js', 'xterm.css']);

// Idle at a prompt: every timer, animation frame and long task counted.
const { browser, done } = await launch();
const page = await browser.newPage();
await page.setViewport(viewports.phone);
await page.evaluateOnNewDocument(() => {
  window.idle = { timers: 0, frames: 0, longTasks: 0 };
  for (const name of ['setTimeout', 'setInterval']) {
    const real = window[name];
    window[name] = (...args) => {
      ++window.idle.timers;
      return real(...args);
    };
  }
  const frame = window.requestAnimationFrame;
  window.requestAnimationFrame = (callback) => {
    ++window.idle.frames;
    return frame(callback);
  };
  new PerformanceObserver((list) => { window.idle.longTasks += list.getEntries().length; })
    .observe({ type: 'longtask' });
});
await firstPrompt(page);
await new Promise((resolve) => setTimeout(resolve, 1000));
const session = await page.createCDPSession();
await session.send('Performance.enable');
const taskTime = async () => (await session.send('Performance.getMetrics')).metrics
  .find((m) => m.name === 'TaskDuration').value;
const startTime = await taskTime();
await page.evaluate(() => { window.idle = { timers: 0, frames: 0, longTasks: 0 }; });
await new Promise((resolve) => setTimeout(resolve, idleSeconds * 1000));
const idle = await page.evaluate(() => window.idle);
const busyMs = (await taskTime() - startTime) * 1000;
const lines = await page.evaluate(() => document.querySelectorAll('#transcript p').length);
await done();
server.close();

const kib = (bytes) => `${(bytes / 1024).toFixed(1)} KiB`;
const ms = (value) => `${Math.round(value)} ms`;
console.log('| Figure | Value | Target | Met |');
console.log('| --- | ---: | --- | --- |');
for (const [name, start] of Object.entries(starts)) {
  console.log(`| First prompt, ${name}, cold (median of ${runs}) | ${ms(start.cold)} | | |`);
  console.log(`| First prompt, ${name}, warm (median of ${runs * 3}; ${start.warmRange.map(ms).join(' to ')}) | ` +
    `${ms(start.warm)} | < 200 ms | ${start.warm < 200 ? 'yes' : 'no'} |`);
}
console.log(`| Whole page gzip -9 (${files.length} files, service worker included) | ${kib(whole)} | < 200 KB | ` +
  `${whole < 200 * 1000 ? 'yes' : 'no'} |`);
console.log(`| of which the game, maze.wasm + maze.js | ${kib(game)} | | |`);
console.log(`| of which the terminal, xterm.js + xterm.css | ${kib(terminal)} | | |`);
console.log(`| Idle at a prompt for ${idleSeconds} s, phone: timers, animation frames, long tasks | ` +
  `${idle.timers}, ${idle.frames}, ${idle.longTasks} | none | ` +
  `${idle.timers + idle.frames + idle.longTasks === 0 ? 'yes' : 'no'} |`);
console.log(`| Main-thread task time in those ${idleSeconds} s | ${busyMs.toFixed(1)} ms | | |`);
console.log(`| Transcript lines at that prompt | ${lines} | | |`);
