// The page's own input, run before the game beside the host's part: the touch controls beside
// the field, taps and swipes on the field, pads through the Gamepad API, and playing again after
// the program has ended. All of it reaches the game as the keys and clicks it already knows.
// (No destructuring in loops: the build's JavaScript minifier mangles them.)
(function () {
  // The game's key codes (the desktop's virtual keys) and the host's kinds of input.
  const kEscape = 27;
  const kSpace = 32;
  const kLeft = 37;
  const kUp = 38;
  const kRight = 39;
  const kDown = 40;
  const kP = 80;
  const kPadBack = 0xa6;  // Escape, but never while a game ends or starts
  const kPadStart = 0xfa;  // pause in play; sent with Space, which starts a game on the title
  const kKeyDown = 0;
  const kKeyUp = 1;
  const kPointerMove = 2;
  const kPointerDown = 3;
  const kSize = 400;  // window pixels across the canvas
  const kSwipe = 24;  // CSS px a finger travels on the field before it is a swipe
  // A swipe holds its arrow this long: past the head's next cell edge, where turns are read.
  const kSwipeHold = 160;
  const kConfirm = 3000;  // ms the quit button waits for its second tap
  // A stick pushed this far is a press; it must fall back below the release point to let go,
  // as on the desktop (16000 and 12000 of 32767).
  const kStickPress = 16000 / 32767;
  const kStickRelease = 12000 / 32767;

  let ended = false;

  function send(kind, code, x, y) {
    if (runtimeInitialized && !ABORT) _fg_page_input(kind, code, x || 0, y || 0);
  }

  // Arrows held by several sources at once (fingers, a swipe, a pad's D-pad and stick): the
  // game sees a press when the first takes one and a release when the last lets go.
  const holders = new Map();  // key code -> set of sources holding it
  function hold(source, code, on) {
    let set = holders.get(code);
    if (!set) holders.set(code, (set = new Set()));
    if (on === set.has(source)) return;
    if (on) {
      set.add(source);
      if (set.size === 1) send(kKeyDown, code);
    } else {
      set.delete(source);
      if (set.size === 0) send(kKeyUp, code);
    }
    showHeld();
  }
  // `source` now holds just `codes`. Releases go first, so a thumb or stick swung across never
  // holds two opposite arrows at once.
  function holdOnly(source, codes) {
    holders.forEach((set, code) => {
      if (set.has(source) && !codes.includes(code)) hold(source, code, false);
    });
    for (const code of codes) hold(source, code, true);
  }

  const pad = document.getElementById('pad');
  const pause = document.getElementById('pause');
  const quit = document.getElementById('quit');
  const canvas = document.getElementById('screen');
  if (!pad || !pause || !quit || !canvas) return;

  function showHeld() {
    for (const button of pad.querySelectorAll('button')) {
      const set = holders.get(Number(button.dataset.key));
      button.classList.toggle('on', !!set && set.size > 0);
    }
  }

  function listen(element, types, handler) {
    for (const type of types) element.addEventListener(type, handler, { passive: false });
  }
  const kTouchTypes = ['touchstart', 'touchmove', 'touchend', 'touchcancel'];
  for (const element of [pad, pause, quit, canvas]) {
    element.addEventListener('contextmenu', (e) => e.preventDefault());
  }

  // The four-way pad: each finger holds the arrow it is over, measured from the pad's centre,
  // so a thumb slides from one to the next; the middle and outside the pad hold nothing.
  function padArrow(touch) {
    const r = pad.getBoundingClientRect();
    const dx = touch.clientX - (r.left + r.width / 2);
    const dy = touch.clientY - (r.top + r.height / 2);
    const ax = Math.abs(dx);
    const ay = Math.abs(dy);
    if (ax > r.width / 2 || ay > r.height / 2 || Math.max(ax, ay) < r.width / 6) return null;
    if (ax > ay) return dx < 0 ? kLeft : kRight;
    return dy < 0 ? kUp : kDown;
  }
  listen(pad, kTouchTypes, (e) => {
    e.preventDefault();
    const lifted = e.type === 'touchend' || e.type === 'touchcancel';
    for (const touch of e.changedTouches) {
      const code = lifted ? null : padArrow(touch);
      holdOnly('finger' + touch.identifier, code ? [code] : []);
    }
  });

  // Pause: the P key, held while touched.
  listen(pause, kTouchTypes, (e) => {
    e.preventDefault();
    if (e.type === 'touchstart' && e.targetTouches.length === e.changedTouches.length) {
      pause.classList.add('on');
      send(kKeyDown, kP);
    } else if ((e.type === 'touchend' || e.type === 'touchcancel') && !e.targetTouches.length) {
      pause.classList.remove('on');
      send(kKeyUp, kP);
    }
  });

  // Escape, which quits on the title: a first tap only arms it, a second within a few seconds
  // presses it.
  let armed = 0;
  function disarm() {
    clearTimeout(armed);
    armed = 0;
    quit.classList.remove('armed');
  }
  listen(quit, kTouchTypes, (e) => {
    e.preventDefault();
    if (e.type !== 'touchend' || e.targetTouches.length) return;
    if (armed) {
      disarm();
      send(kKeyDown, kEscape);
      send(kKeyUp, kEscape);
    } else {
      quit.classList.add('armed');
      armed = setTimeout(disarm, kConfirm);
    }
  });

  // The field: a tap is Space (it starts a game from the title) or, on the title's address, a
  // click; a swipe is a tap of the arrow it points to. One finger can swipe again and again.
  const strokes = new Map();  // touch identifier -> where its current swipe began
  let swipeTimer = 0;
  function swipe(code) {
    clearTimeout(swipeTimer);
    holdOnly('swipe', [code]);
    swipeTimer = setTimeout(() => holdOnly('swipe', []), kSwipeHold);
  }
  function tap(touch) {
    if (!runtimeInitialized || ABORT) return;
    const r = canvas.getBoundingClientRect();
    const x = ((touch.clientX - r.left) * kSize) / r.width;
    const y = ((touch.clientY - r.top) * kSize) / r.height;
    if (_fg_on_link(x, y)) {
      send(kPointerMove, 0, x, y);
      send(kPointerDown, 1, x, y);
      send(kPointerMove, 0, -1, -1);  // a finger does not hover
    } else {
      send(kKeyDown, kSpace);
      send(kKeyUp, kSpace);
    }
  }
  listen(canvas, kTouchTypes, (e) => {
    e.preventDefault();
    for (const touch of e.changedTouches) {
      const id = touch.identifier;
      if (e.type === 'touchstart') {
        strokes.set(id, { x: touch.clientX, y: touch.clientY, swiped: false });
        continue;
      }
      const stroke = strokes.get(id);
      if (!stroke) continue;
      const dx = touch.clientX - stroke.x;
      const dy = touch.clientY - stroke.y;
      if (e.type === 'touchmove') {
        if (Math.max(Math.abs(dx), Math.abs(dy)) < kSwipe) continue;
        if (Math.abs(dx) > Math.abs(dy)) {
          swipe(dx < 0 ? kLeft : kRight);
        } else {
          swipe(dy < 0 ? kUp : kDown);
        }
        strokes.set(id, { x: touch.clientX, y: touch.clientY, swiped: true });
        continue;
      }
      strokes.delete(id);
      if (e.type === 'touchend' && !stroke.swiped && Math.max(Math.abs(dx), Math.abs(dy)) < kSwipe) {
        tap(touch);
      }
    }
  });

  // Pads with the standard mapping, read once a frame while any is plugged in: the D-pad and the
  // left stick steer, A is Space, Start is the pad's Start, B and Back the pad's Back.
  const kPadButtons = [[0, kSpace], [9, kPadStart], [1, kPadBack], [8, kPadBack]];
  const kPadArrows = [[12, kUp], [13, kDown], [14, kLeft], [15, kRight]];
  const pads = new Map();  // index -> { buttons: set of pressed button numbers, stick: codes }
  let polling = false;

  // Start goes as the desktop host sends it: the pad's Start (a pause in play), then Space (a
  // new game on the title); each does nothing where the other acts.
  function padCodes(code) {
    return code === kPadStart ? [kPadStart, kSpace] : [code];
  }
  function pressed(gamepad, button) {
    const b = gamepad.buttons[button];
    return !!b && (b.pressed || b.value > 0.5);
  }
  function readPad(gamepad, state) {
    const source = 'pad' + gamepad.index;
    holdOnly(source + 'dpad', kPadArrows.filter((a) => pressed(gamepad, a[0])).map((a) => a[1]));
    const x = gamepad.axes[0] || 0;
    const y = gamepad.axes[1] || 0;
    const stick = [];
    const towards = { [kLeft]: -x, [kRight]: x, [kUp]: -y, [kDown]: y };
    for (const code of [kLeft, kRight, kUp, kDown]) {
      const held = state.stick.includes(code);
      if (held ? towards[code] >= kStickRelease : towards[code] > kStickPress) stick.push(code);
    }
    state.stick = stick;
    holdOnly(source + 'stick', stick);
    for (const entry of kPadButtons) {
      const button = entry[0];
      const code = entry[1];
      const down = pressed(gamepad, button);
      if (down === state.buttons.has(button)) continue;
      if (down) {
        state.buttons.add(button);
        // After the end, A and Start play again; the press itself is not the new game's.
        if (ended && (code === kSpace || code === kPadStart)) {
          playAgain();
          continue;
        }
      } else {
        state.buttons.delete(button);
      }
      for (const c of padCodes(code)) send(down ? kKeyDown : kKeyUp, c);
    }
  }
  // A pad pulled out lets go of everything it held: the snake must not steer on alone.
  function unplug(index, state) {
    holdOnly('pad' + index + 'dpad', []);
    holdOnly('pad' + index + 'stick', []);
    for (const entry of kPadButtons) {
      if (state.buttons.has(entry[0])) for (const c of padCodes(entry[1])) send(kKeyUp, c);
    }
  }
  function pollPads() {
    const list = navigator.getGamepads ? Array.from(navigator.getGamepads()) : [];
    const present = new Set();
    for (const gamepad of list) {
      if (!gamepad || !gamepad.connected || gamepad.mapping !== 'standard') continue;
      present.add(gamepad.index);
      if (!pads.has(gamepad.index)) pads.set(gamepad.index, { buttons: new Set(), stick: [] });
      readPad(gamepad, pads.get(gamepad.index));
    }
    pads.forEach((state, index) => {
      if (!present.has(index)) {
        unplug(index, state);
        pads.delete(index);
      }
    });
    polling = pads.size > 0;
    if (polling) requestAnimationFrame(pollPads);
  }
  function startPolling() {
    if (!polling) pollPads();
  }
  window.addEventListener('gamepadconnected', startPolling);
  window.addEventListener('gamepaddisconnected', startPolling);  // to let go of what it held
  startPolling();

  // The end of the program: the page shows the last picture dimmed with a way to play again, by
  // Space, Enter, a click or a tap, which starts the program afresh in this page.
  const again = document.getElementById('again');
  function playAgain() {
    if (!ended) return;
    ended = false;
    disarm();
    holders.clear();
    showHeld();
    // Dimmed until the new run shows its first picture.
    document.body.classList.replace('ended', 'restarting');
    if (Module['fgRestartAudio']) Module['fgRestartAudio']();
    canvas.focus();
    _fg_play_again();
  }
  const hostEnded = Module['fgEnded'];
  Module['fgEnded'] = () => {
    if (hostEnded) hostEnded();
    ended = true;
    if (again) again.focus();
  };
  const hostShown = Module['fgShown'];
  Module['fgShown'] = () => {
    document.body.classList.remove('restarting');
    if (hostShown) hostShown();
  };
  window.addEventListener('keydown', (e) => {
    if (!ended || (e.key !== ' ' && e.key !== 'Enter') || e.ctrlKey || e.altKey || e.metaKey) {
      return;
    }
    // Kept from everything else: the new game must not take this press for its own.
    e.preventDefault();
    e.stopPropagation();
    playAgain();
  }, true);
  // The line and its button lie over the canvas: a click or tap anywhere on it will do.
  const caption = document.querySelector('figcaption');
  if (caption) caption.addEventListener('click', playAgain);
})();
