// The game in a web page, played in Debian's headless Chromium through the
// keys a player types: the page served from build-web/ (at MAZE_WEB_URL),
// its terminal read from xterm's buffer. The figures at the end are
// printed, not judged.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { gzipSync } from 'node:zlib';
import puppeteer from 'puppeteer-core';

const url = process.env.MAZE_WEB_URL;
const served = process.env.MAZE_WEB_ROOT ?? 'build-web';
const screenshot = process.env.MAZE_WEB_SCREENSHOT ?? 'build/web/page.png';
const idleSeconds = Number(process.env.MAZE_WEB_IDLE_SECONDS ?? 10);
const prompt = 'Choose A Direction (N, S, E, W) (Or Press Q To Quit)';

let browser;
let profile;

before(async () => {
  assert.ok(url, 'MAZE_WEB_URL names the served page');
  profile = mkdtempSync(join(tmpdir(), 'maze-chromium-'));
  browser = await puppeteer.launch({
    executablePath: process.env.MAZE_CHROMIUM ?? '/usr/bin/chromium',
    headless: true,
    userDataDir: profile,
    // Without the background services off, Chromium's own connections are
    // refused on a closed network and slow everything down.
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
});

after(async () => {
  await browser?.close();
  if (profile) rmSync(profile, { recursive: true, force: true });
});

// A fresh page on the game, with the page's errors and its bells noted.
async function openGame(beforeLoad) {
  const page = await browser.newPage();
  await page.setViewport({ width: 1000, height: 720 });
  page.errors = [];
  page.on('pageerror', (error) => page.errors.push(error.message));
  page.on('console', (m) => m.type() === 'error' && page.errors.push(m.text()));
  await page.evaluateOnNewDocument(() => {
    window.bells = [];
    const Tone = window.OscillatorNode;
    if (Tone) {
      window.OscillatorNode = class extends Tone {
        constructor(context, options) {
          super(context, options);
          window.bells.push(options.frequency);
        }
      };
    }
    document.addEventListener('DOMContentLoaded', () => {
      const box = document.getElementById('terminal');
      new MutationObserver(() => box.classList.contains('bell') && window.bells.push('flash'))
        .observe(box, { attributes: true });
    });
  });
  if (beforeLoad) await beforeLoad(page);
  await page.goto(url);
  return page;
}

// The terminal's rows as xterm holds them, trailing blanks removed.
function rows(page) {
  return page.evaluate(() => {
    const buffer = window.mazeTerminal.buffer.active;
    return Array.from({ length: window.mazeTerminal.rows },
      (_, y) => buffer.getLine(buffer.viewportY + y).translateToString(true).trimEnd());
  });
}

// Waits until a row holds `text`; returns the page's clock at that moment.
async function waitForText(page, text) {
  try {
    const seen = await page.waitForFunction((wanted) => {
      const terminal = window.mazeTerminal;
      const buffer = terminal?.buffer.active;
      for (let y = 0; buffer && y < terminal.rows; ++y) {
        if (buffer.getLine(buffer.viewportY + y).translateToString(true).includes(wanted)) {
          return performance.now();
        }
      }
      return false;
    }, { timeout: 5000 }, text);
    return seen.jsonValue();
  } catch (error) {
    throw new Error(`"${text}" never appeared; the screen:\n${(await rows(page)).join('\n')}`);
  }
}

// Waits until the screen's top rows are `expected`.
async function waitForRows(page, expected) {
  try {
    await page.waitForFunction((wanted) => {
      const buffer = window.mazeTerminal.buffer.active;
      return wanted.every((row, y) =>
        buffer.getLine(buffer.viewportY + y).translateToString(true).trimEnd() === row);
    }, { timeout: 5000 }, expected);
  } catch (error) {
    throw new Error(`the screen never began ${JSON.stringify(expected)}; it shows:\n` +
      (await rows(page)).join('\n'));
  }
}

async function typeLine(page, text) {
  await page.keyboard.type(text);
  await page.keyboard.press('Enter');
}

test('a first game: from the page to the caves', async () => {
  const page = await openGame();
  const shownAt = await waitForText(page, prompt);
  console.log(`figure: page load to the first prompt: ${Math.round(shownAt)} ms`);
  assert.equal((await rows(page))[0], prompt);

  await typeLine(page, 's');
  await waitForText(page, 'You must head north into the caves');
  await page.keyboard.press('x');
  await waitForRows(page, [prompt, '']);
  await typeLine(page, 'n');
  await waitForText(page, 'You enter the caves');
  assert.deepEqual((await rows(page)).slice(0, 4), [
    `${prompt} n`, 'You enter the caves', 'The walls look unstable',
    'You should be as fast as possible']);
  await page.screenshot({ path: screenshot });
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('the line editor takes Left, Delete, Home and a lone Esc from the page', async () => {
  const page = await openGame();
  await waitForText(page, prompt);
  await page.keyboard.type('xns');
  await page.keyboard.press('ArrowLeft');
  await page.keyboard.press('Delete');
  await waitForRows(page, [`${prompt} xn`]);
  // Delete at the end of the line rings the bell.
  await page.keyboard.press('Delete');
  await page.waitForFunction(() => window.bells.length > 0);
  await page.keyboard.press('Home');
  await page.keyboard.press('Delete');
  await waitForRows(page, [`${prompt} n`]);
  const cursor = await page.evaluate(() => window.mazeTerminal.buffer.active.cursorX);
  assert.equal(cursor, prompt.length + 1, 'Home put the cursor at the line start');
  // Esc, which only its timeout tells from the start of a key's sequence,
  // clears the line.
  await page.keyboard.type('zz');
  await page.keyboard.press('Escape');
  await waitForRows(page, [prompt]);
  await typeLine(page, 'n');
  await waitForText(page, 'You enter the caves');
  assert.ok((await page.evaluate(() => window.bells)).every((b) => b === 1000 || b === 'flash'));
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('an ending keeps its screen, and New game starts the program afresh', async () => {
  const page = await openGame();
  await waitForText(page, prompt);
  await typeLine(page, 'n');
  await waitForText(page, 'You enter the caves');
  await page.keyboard.press('x');
  // Room 1 leads south out of the maze, open while no rubble has fallen.
  await waitForText(page, prompt);
  await typeLine(page, 's');
  await waitForText(page, 'Are you sure you want to leave the maze (Y, N)');
  await typeLine(page, 'y');
  await waitForText(page, 'Press any key to end the game');
  assert.equal(await page.$('#new-game:not([hidden])'), null, 'no New game while playing');
  await page.keyboard.press('x');
  await page.waitForSelector('#new-game:not([hidden])');
  assert.ok((await rows(page)).includes('Congratulations you have finished the game with 0 gold'));
  // The button has the focus, so a player at the keyboard goes on with
  // Enter.
  await page.keyboard.press('Enter');
  await waitForText(page, prompt);
  assert.deepEqual((await rows(page)).filter((row) => row !== ''), [prompt]);
  assert.ok(await page.$('#new-game[hidden]'));
  await typeLine(page, 's');
  await waitForText(page, 'You must head north into the caves');
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('figures: download size, and the page idle on a prompt', async () => {
  const gzipped = ['maze.wasm', 'maze.js']
    .reduce((sum, file) => sum + gzipSync(readFileSync(join(served, file)), { level: 9 }).length, 0);
  console.log(`figure: maze.wasm + maze.js, gzip -9: ${(gzipped / 1024).toFixed(1)} KiB`);

  // Every timer, animation frame and long task the page starts is counted.
  const page = await openGame((p) => p.evaluateOnNewDocument(() => {
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
  }));
  await waitForText(page, prompt);
  // The last drawing settles first.
  await new Promise((resolve) => setTimeout(resolve, 500));
  const session = await page.createCDPSession();
  await session.send('Performance.enable');
  const taskTime = async () => (await session.send('Performance.getMetrics')).metrics
    .find((m) => m.name === 'TaskDuration').value;
  const startTime = await taskTime();
  await page.evaluate(() => { window.idle = { timers: 0, frames: 0, longTasks: 0 }; });
  await new Promise((resolve) => setTimeout(resolve, idleSeconds * 1000));
  const idle = await page.evaluate(() => window.idle);
  const busyMs = (await taskTime() - startTime) * 1000;
  console.log(`figure: idle on a prompt for ${idleSeconds} s: ${idle.timers} timers, ` +
    `${idle.frames} animation frames, ${idle.longTasks} long tasks, ` +
    `${busyMs.toFixed(1)} ms of main-thread tasks`);
  assert.deepEqual(page.errors, []);
  await page.close();
});
