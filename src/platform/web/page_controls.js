// The page's own input, run before the game beside the host's part: the touch controls beside
// the field, taps and swipes on the field, pads through the Gamepad API, and playing again after
// the program has ended. All of it reaches the game as the keys and clicks it already knows.
// (No destructuring in loops: the build's JavaScript minifier mangles them.)
(function () {
  // The host's kinds of input.
  const kKeyDown = 0;
  const kKeyUp = 1;
  const kPointerMove = 2;
  const kPointerDown = 3;
  const kSize = 400;  // window pixels across the canvas
  const kSwipe = 24;  // CSS px a finger travels on the field before it is a swipe
  const kConfirm = 3000;  // ms the quit button waits for its second tap

  // What the controls send, from the program itself (the desktop's key codes, a pad's buttons
  // and stick thresholds), read once it is ready; nothing is sent before.
  let values = null;
  function ready() {
    if (!runtimeInitialized || ABORT) return false;
    if (!values) values = JSON.parse(UTF8ToString(_fg_page_values()));
    return true;
  }
  function key(name) {
    return ready() ? values.keys[name] : 0;
  }

  let ended = false;

  // `fromPad`: a pad's through the Gamepad API; otherwise the touch screen's. The prompts on
  // screen follow the device a press came from. [D47]
  function send(kind, code, x, y, fromPad) {
    if (ready() && code !== undefined) _fg_page_input(kind, code, x || 0, y || 0, fromPad ? 1 : 0);
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
      if (set.size === 1) send(kKeyDown, code, 0, 0, source.startsWith('pad'));
    } else {
      set.delete(source);
      if (set.size === 0) send(kKeyUp, code, 0, 0, source.startsWith('pad'));
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
  const music = document.getElementById('music');
  const effects = document.getElementById('effects');
  const canvas = document.getElementById('screen');
  if (!pad || !pause || !quit || !music || !effects || !canvas) return;

  function showHeld() {
    for (const button of pad.querySelectorAll('button')) {
      const set = holders.get(key(button.dataset.arrow));
      button.classList.toggle('on', !!set && set.size > 0);
    }
  }

  // The browser may already be scrolling, and a touchcancel never can be cancelled: asking then
  // only fills the console with complaints.
  function listen(element, types, handler) {
    for (const type of types) {
      element.addEventListener(type, (e) => {
        if (e.cancelable) e.preventDefault();
        handler(e);
      }, { passive: false });
    }
  }
  const kTouchTypes = ['touchstart', 'touchmove', 'touchend', 'touchcancel'];
  for (const element of [pad, pause, quit, music, effects, canvas]) {
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
    if (ax > ay) return key(dx < 0 ? 'left' : 'right');
    return key(dy < 0 ? 'up' : 'down');
  }
  listen(pad, kTouchTypes, (e) => {
    const lifted = e.type === 'touchend' || e.type === 'touchcancel';
    for (const touch of e.changedTouches) {
      const code = lifted ? null : padArrow(touch);
      holdOnly('finger' + touch.identifier, code ? [code] : []);
    }
  });

  // Pause: the P key, held while touched.
  listen(pause, kTouchTypes, (e) => {
    if (e.type === 'touchstart' && e.targetTouches.length === e.changedTouches.length) {
      pause.classList.add('on');
      send(kKeyDown, key('p'));
    } else if ((e.type === 'touchend' || e.type === 'touchcancel') && !e.targetTouches.length) {
      pause.classList.remove('on');
      send(kKeyUp, key('p'));
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
    if (e.type !== 'touchend' || e.targetTouches.length) return;
    if (armed) {
      disarm();
      send(kKeyDown, key('escape'));
      send(kKeyUp, key('escape'));
    } else {
      quit.classList.add('armed');
      armed = setTimeout(disarm, kConfirm);
    }
  });

  // Music and effects: the M and S keys, pressed at the touch. Each shows the switch as the
  // program says it stands, whatever changed it (these buttons, a keyboard, the record at start).
  function toggle(button, name) {
    listen(button, kTouchTypes, (e) => {
      if (e.type === 'touchstart' && e.targetTouches.length === e.changedTouches.length) {
        send(kKeyDown, key(name));
        send(kKeyUp, key(name));
      }
    });
  }
  toggle(music, 'm');
  toggle(effects, 's');
  function showSwitch(button, on, what) {
    button.classList.toggle('off', !on);
    button.setAttribute('aria-pressed', on ? 'true' : 'false');
    button.setAttribute('aria-label', what + (on ? ' on' : ' off'));
  }
  // Share: shown while the sign of a kept game is up, in the place of the pause button, which
  // means nothing then; copies the link to that game. The link is
  // made here, inside the tap, where the browser lets a page write to the clipboard. [D44]
  const share = document.getElementById('share');
  let shared = '';
  Module['fgOfferShare'] = (code) => {
    shared = code;
    share.hidden = !code;
    document.body.classList.toggle('sharing', !!code);
  };
  const copyShared = () => {
    if (shared) Module['fgCopy'](location.href.split('#')[0] + '#replay=' + shared);
  };
  listen(share, kTouchTypes, (e) => {
    if (e.type === 'touchend' && !e.targetTouches.length) copyShared();
  });
  share.addEventListener('click', copyShared);  // a mouse, a pen, or Enter on the button
  const hostSwitches = Module['fgSwitches'];
  Module['fgSwitches'] = (musicOn, effectsOn) => {
    if (hostSwitches) hostSwitches(musicOn, effectsOn);
    showSwitch(music, musicOn, 'Music');
    showSwitch(effects, effectsOn, 'Sound effects');
  };

  // The field: a tap is Space (it starts a game from the title) or, where a click does something
  // (the title's address, its plate of the best, a row of the hall of fame [D46]), a click; a
  // swipe is a tap of the arrow it points to, pressed and let go at once: the game keeps a quick
  // tap until the head reaches the cell edge where it turns [D16] [D25]. One finger can swipe
  // again and again.
  const strokes = new Map();  // touch identifier -> where its current swipe began
  function swipe(name) {
    const code = key(name);
    hold('swipe', code, true);
    hold('swipe', code, false);
  }
  function tap(touch) {
    if (!ready()) return;
    const r = canvas.getBoundingClientRect();
    const x = ((touch.clientX - r.left) * kSize) / r.width;
    const y = ((touch.clientY - r.top) * kSize) / r.height;
    if (_fg_tap_clicks(x, y)) {
      send(kPointerMove, 0, x, y);
      send(kPointerDown, 1, x, y);
      send(kPointerMove, 0, -1, -1);  // a finger does not hover
    } else {
      send(kKeyDown, key('space'));
      send(kKeyUp, key('space'));
    }
  }
  listen(canvas, kTouchTypes, (e) => {
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
          swipe(dx < 0 ? 'left' : 'right');
        } else {
          swipe(dy < 0 ? 'up' : 'down');
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
  // left stick steer, the buttons send what the program lists for them (A Space; Start the pad's
  // Start, then Space; B and Back the pad's Back).
  const pads = new Map();  // index -> { buttons: set of pressed button numbers, stick: codes }
  let polling = false;

  function pressed(gamepad, button) {
    const b = gamepad.buttons[button];
    return !!b && (b.pressed || b.value > 0.5);
  }
  function readPad(gamepad, state) {
    if (!ready()) return;
    const source = 'pad' + gamepad.index;
    holdOnly(source + 'dpad',
             values.padArrows.filter((a) => pressed(gamepad, a[0])).map((a) => a[1]));
    const x = gamepad.axes[0] || 0;
    const y = gamepad.axes[1] || 0;
    const stick = [];
    const k = values.keys;
    const towards = { [k.left]: -x, [k.right]: x, [k.up]: -y, [k.down]: y };
    const press = values.stick.press / values.stick.full;
    const release = values.stick.release / values.stick.full;
    for (const code of [k.left, k.right, k.up, k.down]) {
      const held = state.stick.includes(code);
      if (held ? towards[code] >= release : towards[code] > press) stick.push(code);
    }
    state.stick = stick;
    holdOnly(source + 'stick', stick);
    for (const entry of values.padButtons) {
      const button = entry[0];
      const codes = entry.slice(1);
      const down = pressed(gamepad, button);
      if (down === state.buttons.has(button)) continue;
      if (down) {
        state.buttons.add(button);
        // After the end, a button that starts a game plays again; the press itself is not the
        // new game's.
        if (ended && codes.includes(k.space)) {
          playAgain();
          continue;
        }
      } else {
        state.buttons.delete(button);
      }
      for (const c of codes) send(down ? kKeyDown : kKeyUp, c, 0, 0, true);
    }
  }
  // A pad pulled out lets go of everything it held: the snake must not steer on alone.
  function unplug(index, state) {
    holdOnly('pad' + index + 'dpad', []);
    holdOnly('pad' + index + 'stick', []);
    if (!ready()) return;
    for (const entry of values.padButtons) {
      if (state.buttons.has(entry[0])) for (const c of entry.slice(1)) send(kKeyUp, c, 0, 0, true);
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
    e.stopPropagation();
    playAgain();
  }, true);
  // The line and its button lie over the canvas: a click or tap anywhere on it will do.
  const caption = document.querySelector('figcaption');
  if (caption) caption.addEventListener('click', playAgain);
})();
