// Runs the game in the page's terminal. Each game gets a fresh instance of
// the program and an object (`mazePage`) through which it reaches the
// terminal, the keys typed into it, the clock and the bell. When the game
// ends its last screen stays, and a button starts the program afresh.
'use strict';

(() => {
  const box = document.getElementById('terminal');
  const newGame = document.getElementById('new-game');
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
  // For the browser test, and for the curious at the console.
  window.mazeTerminal = terminal;

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

  function startGame() {
    const typed = typedQueue();
    const encoder = new TextEncoder();
    // The bytes a terminal sends for what was typed: UTF-8 and escape
    // sequences.
    const listener = terminal.onData((data) => typed.push(encoder.encode(data)));
    let over = false;
    const end = (message) => {
      if (over) return;
      over = true;
      listener.dispose();
      if (message) terminal.write(`\r\n\x1b[0m${message}\r\n`);
      newGame.hidden = false;
      newGame.focus();
    };
    const mazePage = {
      write: (bytes) => terminal.write(bytes),
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

  newGame.addEventListener('click', () => {
    newGame.hidden = true;
    terminal.reset();
    terminal.focus();
    startGame();
  });

  terminal.focus();
  startGame();
})();
