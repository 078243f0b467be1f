// Runs the game in the page's terminal. Each game gets a fresh instance of
// the program and an object (`mazePage`) through which it reaches the
// terminal, the keys typed into it, the clock, the bell and the transcript
// a screen reader reads. The terminal takes the room the page gives it.
// When the game ends its last screen stays, and New game (or Enter)
// starts the program afresh.
'use strict';

(() => {
  const box = document.getElementById('terminal');
  const newGame = document.getElementById('new-game');
  const keys = document.getElementById('keys');
  const transcript = document.getElementById('transcript');

  // Opened as a file the browser refuses to fetch the game: say how to
  // serve it instead.
  if (location.protocol === 'file:') {
    document.getElementById('served').hidden = false;
    box.hidden = true;
    return;
  }

  const terminal = new Terminal({
    cols: 80,
    rows: 25,
    // A blinking cursor would wake the page twice a second while the
    // player thinks.
    cursorBlink: false,
    cursorStyle: 'underline',
    fontFamily: 'monospace',
    fontSize: 16,
  });
  terminal.open(box);
  // Tab leaves the terminal for the buttons, as everywhere on a page, so a
  // player at the keyboard is never shut in it; the game only ever made
  // blanks of it.
  terminal.attachCustomKeyEventHandler((event) =>
    event.key !== 'Tab' || event.ctrlKey || event.altKey || event.metaKey);
  // For the browser test, and for the curious at the console.
  window.mazeTerminal = terminal;

  // --- The terminal's size ---

  // 80 x 25 at 16 px where there is room; else the largest font down to
  // 14 px that fits 80 x 25, and at 14 px as many cells as fit.
  const fullSize = { columns: 80, rows: 25 };
  const fontSizes = [16, 15, 14];
  const smallest = 2;
  let onResize = () => {};

  function cellSize() {
    const screen = box.querySelector('.xterm-screen');
    return { width: screen.offsetWidth / terminal.cols, height: screen.offsetHeight / terminal.rows };
  }

  function fit() {
    const view = window.visualViewport;
    const viewWidth = Math.min(document.documentElement.clientWidth, view?.width ?? Infinity);
    const viewHeight = view?.height ?? window.innerHeight;
    document.documentElement.style.setProperty('--page-height', `${viewHeight}px`);
    const page = document.getElementById('page');
    const screen = box.querySelector('.xterm-screen');
    // Everything on the page but the terminal's cells, across and down.
    const style = getComputedStyle(page);
    const px = (value) => parseFloat(value) || 0;
    const heightOf = (element) => element.getBoundingClientRect().height;
    const across = box.offsetWidth - screen.offsetWidth + px(style.paddingLeft) +
      px(style.paddingRight);
    const inFlow = [...page.children]
      .filter((element) => heightOf(element) > 0 && getComputedStyle(element).position !== 'absolute');
    const down = inFlow.reduce((sum, element) =>
      sum + (element === box ? heightOf(box) - heightOf(screen) : heightOf(element)),
    px(style.paddingTop) + px(style.paddingBottom) + px(style.rowGap) * (inFlow.length - 1));
    // A pixel to spare for rounding.
    const spaceAcross = viewWidth - across - 1;
    const spaceDown = viewHeight - down - 1;
    // Cells grow with the font: the size is picked from this one's, so
    // the terminal is measured again only once.
    const now = cellSize();
    const scale = (fontSize) => fontSize / terminal.options.fontSize;
    const fontSize = fontSizes.find((size) =>
      spaceAcross >= fullSize.columns * now.width * scale(size) &&
      spaceDown >= fullSize.rows * now.height * scale(size)) ?? fontSizes.at(-1);
    if (terminal.options.fontSize !== fontSize) terminal.options.fontSize = fontSize;
    const cell = cellSize();
    const chosen = {
      columns: Math.max(smallest, Math.min(fullSize.columns, Math.floor(spaceAcross / cell.width))),
      rows: Math.max(smallest, Math.min(fullSize.rows, Math.floor(spaceDown / cell.height))),
    };
    if (chosen.columns !== terminal.cols || chosen.rows !== terminal.rows) {
      terminal.resize(chosen.columns, chosen.rows);
      onResize();
    }
  }

  // One fit a frame however many resizes come, and nothing between them.
  let fitting = false;
  function fitSoon() {
    if (fitting) return;
    fitting = true;
    requestAnimationFrame(() => {
      fitting = false;
      fit();
    });
  }
  window.addEventListener('resize', fitSoon);
  window.visualViewport?.addEventListener('resize', fitSoon);
  fit();
  // A web font arriving late changes the cells.
  document.fonts?.ready.then(fitSoon);

  // Compiled once; every game instantiates it anew.
  const compiled = fetch('maze.wasm')
    .then((response) => {
      if (!response.ok) throw new Error(`maze.wasm: ${response.status}`);
      return response.arrayBuffer();
    })
    .then((bytes) => WebAssembly.compile(bytes));

  // The page's clock starts near zero on every load, and the game seeds its
  // draws from the clock's whole seconds: the time of day at load keeps
  // each first game from drawing the same maze events.
  const clockBase = performance.timeOrigin % 86400000;

  const bell = {
    audio: null,
    sounding: 0,
    ring(frequency, durationMs) {
      const activated = !navigator.userActivation || navigator.userActivation.hasBeenActive;
      try {
        if (!activated) throw new Error('no audio before the first key');
        this.audio ??= new AudioContext();
      } catch {
        this.flash(durationMs);
        return;
      }
      const audio = this.audio;
      const tone = new OscillatorNode(audio, { frequency });
      const gain = new GainNode(audio, { gain: 0.1 });
      tone.connect(gain).connect(audio.destination);
      ++this.sounding;
      // A silent context is suspended, so it costs nothing between bells.
      tone.onended = () => {
        if (--this.sounding === 0) audio.suspend();
      };
      audio.resume().catch(() => this.flash(durationMs));
      tone.start();
      tone.stop(audio.currentTime + durationMs / 1000);
    },
    flash(durationMs) {
      box.classList.add('bell');
      setTimeout(() => box.classList.remove('bell'), durationMs);
    },
  };

  function typedQueue() {
    const chunks = [];
    let wake = null;
    return {
      push(bytes) {
        chunks.push(bytes);
        if (wake) wake();
      },
      take(capacity) {
        const parts = [];
        let length = 0;
        while (chunks.length && length < capacity) {
          const head = chunks[0];
          const n = Math.min(head.length, capacity - length);
          parts.push(head.subarray(0, n));
          length += n;
          if (n === head.length) chunks.shift();
          else chunks[0] = head.subarray(n);
        }
        const out = new Uint8Array(length);
        let at = 0;
        for (const part of parts) {
          out.set(part, at);
          at += part.length;
        }
        return out;
      },
      // Ends a wait without anything typed: the terminal changed size.
      poke() {
        if (wake) wake();
      },
      // Settles when something is typed, or after `timeoutMs` (< 0: no
      // limit); a timer is set only for a limit.
      wait(timeoutMs) {
        if (chunks.length) return Promise.resolve();
        return new Promise((resolve) => {
          let timer = 0;
          wake = () => {
            clearTimeout(timer);
            wake = null;
            resolve();
          };
          if (timeoutMs >= 0) timer = setTimeout(wake, timeoutMs);
        });
      },
    };
  }

  // What the game says, line by line, for a screen reader to read out as
  // it comes and to read again.
  function announce(text) {
    const lines = text.split('\n').filter((line) => line !== '');
    transcript.append(...lines.map((line) => {
      const p = document.createElement('p');
      p.textContent = line;
      return p;
    }));
  }

  // The bytes a terminal sends for what was typed (UTF-8 and escape
  // sequences), from the keyboard or the touch keys alike, go to the game
  // running; after an ending Enter starts the next.
  const encoder = new TextEncoder();
  let typeInto = () => {};
  function type(data) {
    typeInto(data);
  }
  terminal.onData(type);
  keys.addEventListener('pointerdown', (event) => {
    // The focus stays where it was, so the system keyboard stays open.
    if (event.target.closest('button')) event.preventDefault();
  });
  keys.addEventListener('click', (event) => {
    const key = event.target.closest('button')?.dataset.key;
    if (key) type(key);
  });

  function startGame() {
    const typed = typedQueue();
    typeInto = (data) => typed.push(encoder.encode(data));
    onResize = () => typed.poke();
    let over = false;
    const end = (message) => {
      if (over) return;
      over = true;
      typeInto = (data) => {
        if (data.includes('\r')) playAgain();
      };
      onResize = () => {};
      if (message) terminal.write(`\r\n\x1b[0m${message}\r\n`);
      if (message) announce(message);
      newGame.hidden = false;
      newGame.focus();
    };
    const mazePage = {
      write: (bytes) => terminal.write(bytes),
      terminalSize: () => ({ columns: terminal.cols, rows: terminal.rows }),
      announce,
      takeTyped: (capacity) => typed.take(capacity),
      waitForTyping: (timeoutMs) => typed.wait(timeoutMs),
      pause: (ms) => new Promise((resolve) => setTimeout(resolve, ms)),
      // Settles never: the program has stopped.
      halt: () => new Promise(() => {}),
      nowMs: () => clockBase + performance.now(),
      beep: (frequency, durationMs) => bell.ring(frequency, durationMs),
      ended: () => end(''),
    };
    createMaze({
      mazePage,
      instantiateWasm(imports, receive) {
        compiled
          .then((module) => WebAssembly.instantiate(module, imports).then((i) => receive(i, module)))
          .catch((error) => end(`The game could not start: ${error.message}`));
        return {};
      },
      onAbort: (what) => end(`The game stopped: ${what}`),
    }).catch((error) => end(`The game could not start: ${error.message}`));
  }

  function playAgain() {
    newGame.hidden = true;
    transcript.replaceChildren();
    terminal.reset();
    terminal.focus();
    startGame();
  }
  newGame.addEventListener('click', playAgain);

  terminal.focus();
  startGame();

  // After the first visit the page's files come from the browser's cache,
  // with no network needed.
  if ('serviceWorker' in navigator) {
    window.addEventListener('load', () => navigator.serviceWorker.register('sw.js').catch(() => {}));
  }
})();
