// The game in a web page, played in Debian's headless Chromium as its
// players would: with a keyboard, on phones and small windows by touch,
// through the accessibility tree a screen reader reads, offline, from a
// sub-path and from a file. The page is served from build-web/ (at
// MAZE_WEB_URL, and by a server of the test's own); its terminal is read
// from xterm's buffer.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { cpSync, mkdtempSync, readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { createServer } from 'node:http';
import { tmpdir } from 'node:os';
import { extname, join, resolve } from 'node:path';
import puppeteer from 'puppeteer-core';

const url = process.env.MAZE_WEB_URL;
const served = process.env.MAZE_WEB_ROOT ?? 'build-web';
const screenshot = process.env.MAZE_WEB_SCREENSHOT ?? 'build/web/page.png';
const prompt = 'Choose A Direction (N, S, E, W) (Or Press Q To Quit)';
const desktop = { width: 1000, height: 720 };
const phone = { width: 390, height: 844, hasTouch: true, isMobile: true };

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
async function openGame(beforeLoad, { viewport = desktop, at = url } = {}) {
  const page = await browser.newPage();
  await page.setViewport(viewport);
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
  await page.goto(at);
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

// Waits until the screen holds `text`, on one row or wrapped over several
// (at the terminal's width, or at the narrower width the game started
// with); returns the page's clock at that moment.
async function waitForText(page, text) {
  try {
    const seen = await page.waitForFunction((wanted) => {
      const terminal = window.mazeTerminal;
      const buffer = terminal?.buffer.active;
      let shown = '';
      let words = '';
      for (let y = 0; buffer && y < terminal.rows; ++y) {
        const row = buffer.getLine(buffer.viewportY + y).translateToString(false);
        shown += row;
        words += ` ${row}`;
      }
      const found = shown.includes(wanted) || words.replace(/\s+/g, ' ').includes(wanted);
      return found && { at: performance.now() };
    }, { timeout: 5000 }, text);
    return (await seen.jsonValue()).at;
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

const terminalHasFocus = (page) =>
  page.evaluate(() => document.getElementById('terminal').contains(document.activeElement));

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
  assert.ok(await terminalHasFocus(page), 'the new game has the focus on the terminal');

  // Quitting ends it too; with the focus back on the terminal, other keys
  // do nothing and Enter starts the next game.
  await page.keyboard.press('x');
  await waitForText(page, prompt);
  await typeLine(page, 'q');
  await page.waitForSelector('#new-game:not([hidden])');
  await page.click('#terminal');
  assert.ok(await terminalHasFocus(page));
  const ended = await rows(page);
  await page.keyboard.type('xn ');
  await page.keyboard.press('Escape');
  await page.evaluate(() => new Promise(requestAnimationFrame));
  assert.deepEqual(await rows(page), ended);
  assert.ok(await page.$('#new-game:not([hidden])'));
  await page.keyboard.press('Enter');
  await waitForRows(page, [prompt]);
  assert.ok(await page.$('#new-game[hidden]'));
  assert.ok(await terminalHasFocus(page));
  assert.deepEqual(page.errors, []);
  await page.close();
});


// What a viewport shows: the terminal's size and font, what overflows, and
// where the terminal, the touch keys and the visible area end.
function layout(page) {
  return page.evaluate(() => {
    const bottom = (selector) => document.querySelector(selector).getBoundingClientRect();
    const screen = bottom('#terminal .xterm-screen');
    const keys = bottom('#keys');
    return {
      columns: window.mazeTerminal.cols,
      rows: window.mazeTerminal.rows,
      fontSize: window.mazeTerminal.options.fontSize,
      overflow: document.scrollingElement.scrollWidth - document.scrollingElement.clientWidth,
      terminalRight: bottom('#terminal').right,
      screenBottom: screen.bottom,
      keysShown: keys.height > 0,
      keysTop: keys.top,
      keysBottom: keys.bottom,
      viewWidth: window.visualViewport.width,
      viewHeight: window.visualViewport.height,
    };
  });
}

function assertFits(shown, { touch, full }, where) {
  assert.equal(shown.overflow, 0, `${where}: the page scrolls sideways`);
  assert.ok(shown.terminalRight <= shown.viewWidth, `${where}: the terminal is cut off`);
  assert.ok(shown.fontSize >= 14, `${where}: ${shown.fontSize} px`);
  assert.equal(shown.keysShown, touch, `${where}: touch keys shown only on a touch screen`);
  const lowest = touch ? shown.keysBottom : shown.screenBottom;
  assert.ok(lowest <= shown.viewHeight, `${where}: the page runs off the bottom`);
  if (touch) assert.ok(shown.screenBottom <= shown.keysTop, `${where}: the keys cover the terminal`);
  if (full) assert.deepEqual([shown.columns, shown.rows, shown.fontSize], [80, 25, 16], where);
}

test('the terminal fits phones and windows, and follows rotation and the system keyboard', async () => {
  const viewports = [
    [{ width: 390, height: 844, hasTouch: true, isMobile: true }, { touch: true, full: false }],
    [{ width: 844, height: 390, hasTouch: true, isMobile: true }, { touch: true, full: false }],
    [{ width: 800, height: 600 }, { touch: false, full: true }],
    [{ width: 1280, height: 800 }, { touch: false, full: true }],
    [{ width: 1920, height: 1080 }, { touch: false, full: true }],
  ];
  for (const [viewport, expected] of viewports) {
    const where = `${viewport.width} x ${viewport.height}`;
    const page = await openGame(null, { viewport });
    await waitForText(page, prompt);
    assertFits(await layout(page), expected, where);
    assert.deepEqual(page.errors, [], where);
    await page.close();
  }

  // Turned on its side, then with the system keyboard taking half the
  // height: the game's screen takes the new size and shows the prompt whole.
  const page = await openGame(null, { viewport: phone });
  await waitForText(page, prompt);
  const changes = [
    [{ ...phone, width: 844, height: 390 }, 80],
    [{ ...phone, width: 390, height: 844 }, null],
    [{ ...phone, width: 390, height: 420 }, null],
  ];
  for (const [viewport, columns] of changes) {
    await page.setViewport(viewport);
    const where = `resized to ${viewport.width} x ${viewport.height}`;
    await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
    await waitForText(page, prompt);
    const shown = await layout(page);
    assertFits(shown, { touch: true, full: false }, where);
    if (columns) assert.equal(shown.columns, columns, where);
  }
  await typeLine(page, 'n');
  await waitForText(page, 'You should be as fast as possible');
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('a whole game on a phone with the touch keys only', async () => {
  const page = await openGame(null, { viewport: phone });
  await waitForText(page, prompt);
  const tap = async (key) => (await page.evaluateHandle((k) =>
    [...document.querySelectorAll('#keys button')].find((b) => b.dataset.key === k), key)).tap();
  // Room 1 leads south out of the maze, open while no rubble has fallen.
  const game = [
    [['n', '\r'], 'You enter the caves'],
    [[' '], prompt],
    [['s', '\r'], 'Are you sure you want to leave the maze (Y, N)'],
    [['y', '\r'], 'Congratulations you have finished the game with 0 gold'],
  ];
  for (const [taps, shown] of game) {
    for (const key of taps) await tap(key);
    await waitForText(page, shown);
  }
  await tap(' ');
  await page.waitForSelector('#new-game:not([hidden])');
  // Enter on the touch keys starts the next game, as on a keyboard.
  await tap('\r');
  await page.waitForSelector('#new-game[hidden]');
  await waitForText(page, prompt);
  assert.deepEqual(page.errors, []);
  await page.close();
});

// The accessibility tree as a screen reader gets it: the transcript's
// lines in order, and every name outside it.
async function readerView(page) {
  const session = await page.createCDPSession();
  const { nodes } = await session.send('Accessibility.getFullAXTree');
  await session.detach();
  const byId = new Map(nodes.map((node) => [node.nodeId, node]));
  const inLog = new Set();
  const lines = [];
  const walk = (node) => {
    inLog.add(node.nodeId);
    if (node.role?.value === 'StaticText' && !node.ignored) lines.push(node.name.value);
    for (const id of node.childIds ?? []) walk(byId.get(id));
  };
  const log = nodes.find((node) => node.role?.value === 'log');
  if (log) walk(log);
  const elsewhere = nodes.filter((node) => !inLog.has(node.nodeId) && !node.ignored)
    .map((node) => ({ role: node.role?.value, name: node.name?.value ?? '' }));
  return { log, lines, elsewhere };
}

test('a screen reader hears every line once, in order, and not the typed answers', async () => {
  // The clock stands still at a second whose draws bring the gnome on the
  // fourth move, before any rubble falls.
  const page = await openGame((p) => p.evaluateOnNewDocument(() => {
    Object.defineProperty(performance, 'timeOrigin', { value: 1015500 });
    performance.now = () => 0;
  }));
  await waitForText(page, prompt);
  const move = (way) => [`You move ${way} through the caves`];
  const gnome = ['As you head down the path', 'You see a small figure in a corner',
    'The small figure throws an axe at you', 'You realise that it is a gnome',
    'Run back the way you came or you will die'];
  // Each answer, the lines it brings, and whether a key goes on after them.
  const game = [
    ['n', ['You enter the caves', 'The walls look unstable', 'You should be as fast as possible']],
    ['n', move('north')],
    ['w', ['You walk into a wall']],
    ['e', [...move('east'), 'You have found some treasure!']],
    ['w', move('west')],
    ['s', [...move('south'), ...gnome], 'then a prompt'],
    ['n', ['You escaped from the gnome']],
    ['s', [...move('south'), 'Are you sure you want to leave the maze (Y, N)?'], 'asks'],
    ['y', ['Congratulations you have finished the game with 1 gold',
      'Press any key to end the game']],
  ];
  const heard = [prompt];
  for (const [answer, lines, next] of game) {
    await typeLine(page, answer);
    await waitForText(page, lines.at(-1));
    heard.push(...lines);
    if (next === 'asks') continue;
    await page.keyboard.press('x');
    if (next !== undefined || answer !== 'y') {
      await waitForText(page, prompt);
      heard.push(prompt);
    }
  }
  await page.waitForSelector('#new-game:not([hidden])');
  const view = await readerView(page);
  assert.equal(view.log.name?.value, 'What the game says');
  assert.equal(await page.$eval('#transcript', (log) => log.getAttribute('aria-live')), 'polite');
  assert.deepEqual(view.lines, heard);
  // Nothing the game says is in the tree a second time.
  const said = new Set(heard);
  assert.deepEqual(view.elsewhere.filter((node) => said.has(node.name)), []);

  // The buttons have names and are reached with Tab; a new game gives the
  // terminal the focus and starts a fresh transcript.
  const names = view.elsewhere.filter((node) => node.role === 'button').map((node) => node.name);
  assert.ok(names.includes('New game'));
  await page.focus('#terminal textarea');
  await page.keyboard.press('Tab');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'new-game');
  await page.keyboard.press('Enter');
  await waitForText(page, prompt);
  assert.ok(await terminalHasFocus(page));
  assert.deepEqual((await readerView(page)).lines, [prompt]);
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('the touch keys have names and are reached with Tab', async () => {
  const page = await openGame(null, { viewport: phone });
  await waitForText(page, prompt);
  const names = (await readerView(page)).elsewhere
    .filter((node) => node.role === 'button').map((node) => node.name);
  assert.deepEqual(names, ['N, north', 'S, south', 'E, east', 'W, west', 'Q, quit', 'Y, yes',
    'Enter', 'Any key']);
  await page.focus('#terminal textarea');
  const reached = [];
  for (let i = 0; i < names.length; ++i) {
    await page.keyboard.press('Tab');
    reached.push(await page.evaluate(() => document.activeElement.dataset.key));
  }
  assert.deepEqual(reached, ['n', 's', 'e', 'w', 'q', 'y', '\r', ' ']);
  await page.close();
});

// A static server of the test's own for a copy of the page under
// /games/maze/, which it can change and stop.
function serveUnderPath(dir) {
  const types = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css',
    '.wasm': 'application/wasm', '.webmanifest': 'application/manifest+json', '.png': 'image/png' };
  const server = createServer((request, response) => {
    const path = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const file = path.startsWith('/games/maze/') &&
      join(dir, path.slice('/games/maze/'.length) || 'index.html');
    try {
      const body = readFileSync(file);
      response.writeHead(200, { 'Content-Type': types[extname(file)] ?? 'application/octet-stream' });
      response.end(body);
    } catch {
      response.writeHead(404).end();
    }
  });
  return new Promise((done) => server.listen(0, '127.0.0.1', () => done(server)));
}

const cachedFiles = (page) => page.evaluate(async () => {
  const names = await caches.keys();
  const files = {};
  for (const name of names) {
    const cache = await caches.open(name);
    for (const request of await cache.keys()) {
      files[new URL(request.url).pathname] = (await (await cache.match(request)).arrayBuffer()).byteLength;
    }
  }
  return { names, files };
});

test('installable, offline after one visit, served under a sub-path, renewed by a new build', async () => {
  const copy = mkdtempSync(join(tmpdir(), 'maze-web-'));
  cpSync(served, copy, { recursive: true });
  const server = await serveUnderPath(copy);
  const at = `http://127.0.0.1:${server.address().port}/games/maze/`;
  try {
    const page = await openGame(null, { at });
    await waitForText(page, prompt);
    await page.waitForFunction(() => navigator.serviceWorker.controller);
    const session = await page.createCDPSession();
    const { installabilityErrors } = await session.send('Page.getInstallabilityErrors');
    assert.deepEqual(installabilityErrors, []);
    const first = await cachedFiles(page);
    assert.equal(first.names.length, 1);

    // No network: the page and the game come from the cache.
    await page.setOfflineMode(true);
    await page.reload();
    await waitForText(page, prompt);
    await typeLine(page, 'n');
    await waitForText(page, 'You enter the caves');
    await page.setOfflineMode(false);

    // A new build: the next visit fills a new cache with exactly its files
    // and drops the old one; the visit after shows it.
    const index = join(copy, 'index.html');
    writeFileSync(index, readFileSync(index, 'utf8').replace('<title>maze</title>', '<title>maze, rebuilt</title>'));
    assert.equal(spawnSync('scripts/build-web.sh', ['--stamp', copy]).status, 0);
    await page.reload();
    await page.waitForFunction(async (old) => {
      const names = await caches.keys();
      return names.length === 1 && names[0] !== old;
    }, { polling: 100 }, first.names[0]);
    const renewed = await cachedFiles(page);
    for (const [path, size] of Object.entries(renewed.files)) {
      const file = join(copy, path.slice('/games/maze/'.length) || 'index.html');
      assert.equal(size, statSync(file).size, `${path} is of the new build`);
    }
    await page.reload();
    await waitForText(page, prompt);
    assert.equal(await page.title(), 'maze, rebuilt');
    assert.deepEqual(page.errors, []);
    await page.close();
  } finally {
    server.close();
    rmSync(copy, { recursive: true, force: true });
  }
});

test('opened as a file, the page says how to serve it', async () => {
  const page = await openGame(null, { at: `file://${resolve(served, 'index.html')}` });
  const said = await page.$eval('#served', (element) => !element.hidden && element.textContent);
  assert.match(said.replace(/\s+/g, ' '), /must be served .*python3 -m http\.server -d build-web/);
  assert.ok(await page.$eval('#terminal', (element) => element.hidden));
  await page.close();
});
