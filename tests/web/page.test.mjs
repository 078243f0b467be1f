// The game in a web page, played in Debian's headless Chromium as its
// players would: with a keyboard, on phones and small windows by touch,
// through the accessibility tree a screen reader reads, offline, from a
// sub-path and from a file. The page is served from a copy of build-web/
// (MAZE_WEB_ROOT) at a sub-path (MAZE_WEB_URL); its terminal is read from
// xterm's buffer.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { spawn, spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
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
async function openGame({ viewport = desktop, at = url, beforeLoad } = {}) {
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
    // The terminal's rows on screen as xterm holds them, trailing blanks
    // removed or not.
    window.screenRows = (trim) => {
      const terminal = window.mazeTerminal;
      const buffer = terminal?.buffer.active;
      return Array.from({ length: buffer ? terminal.rows : 0 }, (_, y) => {
        const row = buffer.getLine(buffer.viewportY + y).translateToString(trim);
        return trim ? row.trimEnd() : row;
      });
    };
  });
  if (beforeLoad) await beforeLoad(page);
  await page.goto(at);
  return page;
}

// A fresh page at the game's first prompt, played by `body`; the page
// raises no error meanwhile.
async function withGame(options, body) {
  const page = await openGame(options);
  try {
    await waitForText(page, prompt);
    await body(page);
    const { width, height } = options.viewport ?? desktop;
    assert.deepEqual(page.errors, [], `the page's errors at ${width} x ${height}`);
  } finally {
    await page.close();
  }
}

const rows = (page) => page.evaluate(() => window.screenRows(true));

// Waits until `holds(wanted)` in the page; else fails with the screen.
async function waitForScreen(page, holds, wanted, what) {
  try {
    await page.waitForFunction(holds, { timeout: 5000 }, wanted);
  } catch {
    throw new Error(`${what}; the screen:\n${(await rows(page)).join('\n')}`);
  }
}

// Until the screen holds `text`, on one row or wrapped over several (at the
// terminal's width, or at the narrower width the game started with).
const waitForText = (page, text) => waitForScreen(page, (wanted) => {
  const shown = window.screenRows(false);
  return shown.join('').includes(wanted) || shown.join(' ').replace(/\s+/g, ' ').includes(wanted);
}, text, `"${text}" never appeared`);

// Until the screen's top rows are `expected`.
const waitForRows = (page, expected) => waitForScreen(page, (wanted) => {
  const shown = window.screenRows(true);
  return wanted.every((row, y) => shown[y] === row);
}, expected, `the screen never began ${JSON.stringify(expected)}`);

// Each step's keys sent, then what they bring waited for.
async function play(page, steps, send = (keys) => page.keyboard.type(keys)) {
  for (const [keys, shown] of steps) {
    await send(keys);
    await waitForText(page, shown);
  }
}

// Room 1 leads south out of the maze, open while no rubble has fallen.
const outOfTheMaze = [['n\r', 'You enter the caves'], [' ', prompt],
  ['s\r', 'Are you sure you want to leave the maze (Y, N)'],
  ['y\r', 'Congratulations you have finished the game with 0 gold']];

const terminalHasFocus = (page) =>
  page.evaluate(() => document.getElementById('terminal').contains(document.activeElement));

test('a first game: from the page to the caves', () => withGame({}, async (page) => {
  assert.equal((await rows(page))[0], prompt);
  await play(page, [['s\r', 'You must head north into the caves']]);
  await page.keyboard.press('x');
  await waitForRows(page, [prompt, '']);
  await play(page, [['n\r', 'You enter the caves']]);
  assert.deepEqual((await rows(page)).slice(0, 4), [
    `${prompt} n`, 'You enter the caves', 'The walls look unstable',
    'You should be as fast as possible']);
  await page.screenshot({ path: screenshot });
}));

test('the line editor takes Left, Delete, Home and a lone Esc from the page', () =>
  withGame({}, async (page) => {
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
    await play(page, [['n\r', 'You enter the caves']]);
    assert.ok((await page.evaluate(() => window.bells)).every((b) => b === 1000 || b === 'flash'));
  }));

test('an ending keeps its screen, and New game starts the program afresh', () =>
  withGame({}, async (page) => {
    await play(page, outOfTheMaze);
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
    await play(page, [['s\r', 'You must head north into the caves']]);
    assert.ok(await terminalHasFocus(page), 'the new game has the focus on the terminal');

    // Quitting ends it too; with the focus back on the terminal, other keys
    // do nothing and Enter starts the next game.
    await play(page, [['x', prompt]]);
    await page.keyboard.type('q\r');
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
  }));

// The terminal fits the visible area at 14 px or more, without scrolling
// sideways, and on a touch screen so do the keys below it; the size it
// takes, [columns, rows, px].
async function assertFits(page, where) {
  const shown = await page.evaluate(() => {
    const box = (selector) => {
      const { top, bottom, right, height } = document.querySelector(selector).getBoundingClientRect();
      return { top, bottom, right, height };
    };
    const [terminal, screen, keys] = ['#terminal', '#terminal .xterm-screen', '#keys'].map(box);
    const { cols, rows, options } = window.mazeTerminal;
    const { width, height } = window.visualViewport;
    return { size: [cols, rows, options.fontSize], terminal, screen, keys, width, height,
      overflow: document.scrollingElement.scrollWidth - document.scrollingElement.clientWidth };
  });
  const touch = Boolean((await page.viewport()).hasTouch);
  assert.equal(shown.overflow, 0, `${where}: the page scrolls sideways`);
  assert.ok(shown.terminal.right <= shown.width, `${where}: the terminal is cut off`);
  assert.ok(shown.size[2] >= 14, `${where}: ${shown.size[2]} px`);
  assert.equal(shown.keys.height > 0, touch, `${where}: touch keys only on a touch screen`);
  assert.ok((touch ? shown.keys : shown.screen).bottom <= shown.height, `${where}: runs off the bottom`);
  if (touch) assert.ok(shown.screen.bottom <= shown.keys.top, `${where}: the keys cover the terminal`);
  return shown.size;
}

test('the terminal fits phones and windows, and follows rotation and the system keyboard', async () => {
  // Each viewport, and the size it gives at the start (null: any).
  const viewports = [[phone, null], [{ ...phone, width: 844, height: 390 }, null],
    [{ width: 800, height: 600 }, [80, 25, 16]], [{ width: 1280, height: 800 }, [80, 25, 16]],
    [{ width: 1920, height: 1080 }, [80, 25, 16]]];
  for (const [viewport, size] of viewports) {
    await withGame({ viewport }, async (page) => {
      const where = `${viewport.width} x ${viewport.height}`;
      const shown = await assertFits(page, where);
      if (size) assert.deepEqual(shown, size, where);
    });
  }
  // Turned on its side and back, then with the system keyboard taking half
  // the height: the game's screen takes each size and shows the prompt;
  // on its side it has all 80 columns.
  await withGame({ viewport: phone }, async (page) => {
    for (const [width, height, columns] of [[844, 390, 80], [390, 844], [390, 420]]) {
      await page.setViewport({ ...phone, width, height });
      await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
      await waitForText(page, prompt);
      const shown = await assertFits(page, `turned to ${width} x ${height}`);
      if (columns) assert.equal(shown[0], columns);
    }
    await play(page, [['n\r', 'You should be as fast as possible']]);
  });
});

test('a whole game on a phone by touch only; the keys have names and Tab reaches them', () =>
  withGame({ viewport: phone }, async (page) => {
    const buttons = await page.$$eval('#keys button', (all) =>
      all.map((b) => [b.dataset.key, b.getAttribute('aria-label') ?? b.textContent]));
    assert.deepEqual(buttons.map(([, name]) => name), ['N, north', 'S, south', 'E, east', 'W, west',
      'Q, quit', 'Y, yes', 'Enter', 'Any key']);
    const tap = async (keys) => {
      for (const key of keys) {
        await (await page.evaluateHandle((k) =>
          [...document.querySelectorAll('#keys button')].find((b) => b.dataset.key === k), key)).tap();
      }
    };
    // Enter on the touch keys after the ending starts the next game.
    await play(page, outOfTheMaze, tap);
    await tap(' ');
    await page.waitForSelector('#new-game:not([hidden])');
    await tap('\r');
    await page.waitForSelector('#new-game[hidden]');
    await waitForText(page, prompt);
    await page.focus('#terminal textarea');
    const reached = [];
    for (const _ of buttons) {
      await page.keyboard.press('Tab');
      reached.push(await page.evaluate(() => document.activeElement.dataset.key));
    }
    assert.deepEqual(reached, buttons.map(([key]) => key));
  }));

// The accessibility tree as a screen reader gets it: the transcript's lines
// in order, and every node's name outside it.
async function readerView(page) {
  const session = await page.createCDPSession();
  const { nodes } = await session.send('Accessibility.getFullAXTree');
  await session.detach();
  const byId = new Map(nodes.map((node) => [node.nodeId, node]));
  const log = nodes.find((node) => node.role?.value === 'log');
  const inLog = new Set();
  const lines = [];
  const walk = (node) => {
    inLog.add(node);
    if (node.role?.value === 'StaticText' && !node.ignored) lines.push(node.name.value);
    for (const id of node.childIds ?? []) walk(byId.get(id));
  };
  walk(log);
  const elsewhere = nodes.filter((node) => !inLog.has(node) && !node.ignored)
    .map((node) => node.name?.value);
  return { name: log.name?.value, lines, elsewhere };
}

// On a phone, where the prompt wraps. The clock stands still at a second
// whose draws bring the gnome on the fourth move, before any rubble.
const stillClock = (page) => page.evaluateOnNewDocument(() => {
  Object.defineProperty(performance, 'timeOrigin', { value: 1015500 });
  performance.now = () => 0;
});

test('a screen reader hears every line once, in order, and not the typed answers', () =>
  withGame({ viewport: phone, beforeLoad: stillClock }, async (page) => {
    const move = (way) => `You move ${way} through the caves`;
    // Each answer, the lines it brings, and the prompt after a key unless the
    // game asks at once or ends.
    const game = [
      ['n', ['You enter the caves', 'The walls look unstable', 'You should be as fast as possible']],
      ['n', [move('north')]], ['w', ['You walk into a wall']],
      ['e', [move('east'), 'You have found some treasure!']], ['w', [move('west')]],
      ['s', [move('south'), 'As you head down the path', 'You see a small figure in a corner',
        'The small figure throws an axe at you', 'You realise that it is a gnome',
        'Run back the way you came or you will die']],
      ['n', ['You escaped from the gnome']],
      ['s', [move('south'), 'Are you sure you want to leave the maze (Y, N)?'], 'asks'],
      ['y', ['Congratulations you have finished the game with 1 gold',
        'Press any key to end the game'], 'ends'],
    ];
    const heard = [prompt];
    for (const [answer, lines, then] of game) {
      await play(page, [[`${answer}\r`, lines.at(-1)]]);
      heard.push(...lines);
      if (then === 'asks') continue;
      await page.keyboard.press('x');
      if (then === 'ends') break;
      await waitForText(page, prompt);
      heard.push(prompt);
    }
    await page.waitForSelector('#new-game:not([hidden])');
    const view = await readerView(page);
    assert.equal(view.name, 'What the game says');
    assert.equal(await page.$eval('#transcript', (log) => log.getAttribute('aria-live')), 'polite');
    assert.deepEqual(view.lines, heard);
    // Nothing the game says is in the tree a second time.
    assert.deepEqual(view.elsewhere.filter((name) => heard.includes(name)), []);
    await page.keyboard.press('Enter');
    await waitForText(page, prompt);
    assert.deepEqual((await readerView(page)).lines, [prompt], 'a new game, a new transcript');
  }));

// The page served at the root of a server of the test's own, which it can
// stop.
async function serveRoot() {
  const server = spawn('python3', ['-u', '-m', 'http.server', '--bind', '127.0.0.1', '-d', served, '0']);
  const port = await new Promise((found) => server.stdout.on('data', (data) => {
    const match = /port (\d+)/.exec(String(data));
    if (match) found(match[1]);
  }));
  return { at: `http://127.0.0.1:${port}/`, stop: () => server.kill() };
}

test('installable, and after one visit it plays with the server gone', async () => {
  const server = await serveRoot();
  try {
    await withGame({ at: server.at }, async (page) => {
      await page.waitForFunction(() => navigator.serviceWorker.controller);
      const session = await page.createCDPSession();
      assert.deepEqual((await session.send('Page.getInstallabilityErrors')).installabilityErrors, []);
      server.stop();
      await page.reload();
      await waitForText(page, prompt);
      await play(page, [['n\r', 'You enter the caves']]);
    });
  } finally {
    server.stop();
  }
});

const cachedSizes = (page) => page.evaluate(async () => {
  const [name, ...more] = await caches.keys();
  const cache = await caches.open(name);
  const sizes = await Promise.all((await cache.keys()).map(async (request) =>
    [request.url, (await (await cache.match(request)).arrayBuffer()).byteLength]));
  return { name, more: more.length, sizes };
});

test('a new build replaces the kept files whole on the next visit', () => withGame({}, async (page) => {
  await page.waitForFunction(() => navigator.serviceWorker.controller);
  const first = await cachedSizes(page);
  const index = join(served, 'index.html');
  writeFileSync(index, readFileSync(index, 'utf8').replace('<title>maze', '<title>maze, rebuilt'));
  assert.equal(spawnSync('scripts/build-web.sh', ['--stamp', served]).status, 0);
  await page.reload();
  await page.waitForFunction(async (old) => {
    const names = await caches.keys();
    return names.length === 1 && names[0] !== old;
  }, { polling: 100 }, first.name);
  // Exactly the new build's files, every one of them; the visit after
  // shows it.
  const renewed = await cachedSizes(page);
  assert.equal(renewed.sizes.length, first.sizes.length);
  for (const [address, size] of renewed.sizes) {
    const file = new URL(address, url).pathname.slice(new URL(url).pathname.length) || 'index.html';
    assert.equal(size, statSync(join(served, file)).size, `${file} is of the new build`);
  }
  await page.reload();
  await waitForText(page, prompt);
  assert.equal(await page.title(), 'maze, rebuilt');
}));

test('opened as a file, the page says how to serve it', async () => {
  const page = await openGame({ at: `file://${resolve(served, 'index.html')}` });
  const said = await page.$eval('#served', (element) => !element.hidden && element.textContent);
  assert.match(said.replace(/\s+/g, ' '), /must be served .*python3 -m http\.server -d build-web/);
  assert.ok(await page.$eval('#terminal', (element) => element.hidden));
  await page.close();
});
