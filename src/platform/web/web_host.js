// The page side of the web host, run before the game: the tune fetched into the in-memory file
// system, the audio output the game's mixer feeds, and the hooks the host calls.
(function () {
  const kBlock = 1024;  // frames the game renders at a time: 23 ms
  const kRate = 44100;  // the rate the desktop opens its audio device at
  // One silent sample as a WAV file: played to learn whether the page may make sound yet.
  const kSilence =
    'data:audio/wav;base64,UklGRiYAAABXQVZFZm10IBAAAAABAAEAQB8AAIA+AAACABAAZGF0YQIAAAAAAA==';
  let context = null;
  let level = 0;  // RMS of the last block the output played

  Module['preRun'] = Module['preRun'] || [];
  Module['preRun'].push(function () {
    // Without the tune the game plays silently, as on the desktop.
    addRunDependency('tune');
    fetch('FenzoGobbix.snd')
      .then((r) => (r.ok ? r.arrayBuffer() : null))
      .catch(() => null)
      .then((bytes) => {
        if (bytes) FS.writeFile('/FenzoGobbix.snd', new Uint8Array(bytes));
        removeRunDependency('tune');
      });
  });
  Module['onRuntimeInitialized'] = function () {
    window.fgRuntimeAt = performance.now();
  };

  // A word to the player over the foot of the field, read out by screen readers, for a while.
  let saidTimer = 0;
  function say(text, ms) {
    const line = document.getElementById('said');
    if (!line) return;
    clearTimeout(saidTimer);
    line.textContent = text;
    saidTimer = setTimeout(() => { line.textContent = ''; }, ms);
  }
  // A shared game's link: its fragment is the program's to read once (shell/web_main.cpp), and
  // comes off the address at once, so a reload shows the title as usual. [D44]
  Module['fgFragment'] = location.hash;
  if (location.hash) {
    try {
      history.replaceState(history.state, '', location.pathname + location.search);
    } catch (e) {
    }
  }
  // A fragment that holds no game this page can play: told over the title, once it shows.
  const kBadLink = 'This link does not hold a game FenzoGobbix can play';
  let badLink = false;
  Module['fgBadLink'] = () => {
    if (document.body.classList.contains('shown')) say(kBadLink, 6000);
    else badLink = true;
  };
  // The link of a shared game to the clipboard; where the browser refuses, into a field of its
  // own, selected, for the player to copy.
  window.fgCopied = [];  // what was copied, for the tests
  function showLink(text) {
    const field = document.getElementById('sharelink');
    if (!field) return;
    field.value = text;
    field.hidden = false;
    field.focus();
    field.select();
    let copied = false;
    try {
      copied = document.execCommand('copy');
    } catch (e) {
    }
    say(copied ? 'The link to this game is copied.'
               : 'Copy the link to this game from the field above.', 5000);
  }
  Module['fgCopy'] = (text) => {
    window.fgCopied.push(text);
    const fallback = () => showLink(text);
    if (!navigator.clipboard || !window.isSecureContext) return fallback();
    navigator.clipboard.writeText(text).then(
        () => say('The link to this game is copied.', 4000), fallback);
  };

  // The program's problems go to standard error, as on the desktop, and from there to the
  // console. One the player must know of is shown too, once: a record that cannot be stored
  // ("fenzogobbix: ...; this run's scores are kept in memory until they can be stored", or
  // "...are not kept" when the program ends with games unstored).
  let toldNotKept = false;
  Module['printErr'] = (text) => {
    console.warn(text);
    if (!toldNotKept && /^fenzogobbix: .*this run's scores are/.test(text)) {
      toldNotKept = true;
      say('Your scores cannot be stored: this browser\'s storage is full or turned off. ' +
          'This visit\'s games are kept until the page is closed.', 8000);
    }
  };

  // A program that fails to start (a damaged file kept for offline play) says so. Its files are
  // dropped from what the page keeps and fetched afresh, and the page starts again once; with no
  // network, it says it cannot start offline. [D26]
  const kRetried = 'fenzogobbix.retried';
  function session(set) {
    try {
      if (set === undefined) return sessionStorage.getItem(kRetried) !== null;
      if (set) sessionStorage.setItem(kRetried, '1');
      else sessionStorage.removeItem(kRetried);
    } catch (e) {
    }
    return true;  // without session storage, no second attempt: it could go on for ever
  }
  function tell(text) {
    const line = document.getElementById('loading');
    if (line) line.textContent = text;
  }
  function refetch() {
    if (!window.caches) return Promise.resolve(true);
    const program = (r) => /\.(wasm|js)$/.test(new URL(r.url).pathname);
    return caches.keys().then((names) => Promise.all(
        names.filter((n) => n.startsWith('fenzogobbix-')).map((name) => caches.open(name).then(
            (cache) => cache.keys().then((requests) => Promise.all(
                requests.filter(program).map((r) => cache.delete(r).then(
                    () => fetch(new Request(r.url, { cache: 'reload' })).then((response) => {
                      if (!response.ok) throw new Error(r.url + ': ' + response.status);
                      return cache.put(r, response);
                    })))))))))
        .then(() => true, () => false);
  }
  Module['onAbort'] = () => {
    if (document.body.classList.contains('shown')) return;
    if (session()) {
      tell('Fenzo Gobbix could not start. Reload the page to try again.');
      return;
    }
    tell('Fenzo Gobbix could not start: fetching it again…');
    refetch().then((fetched) => {
      if (!fetched) {
        tell('Fenzo Gobbix cannot start offline: part of it is damaged. Open the page again ' +
             'once online.');
        return;
      }
      session(true);
      location.reload();
    });
  };

  // `frames` of the game's output, left and right; silence until the game runs and after it.
  function pull(frames) {
    const left = new Float32Array(frames);
    const right = new Float32Array(frames);
    const at = runtimeInitialized && !ABORT ? _fg_render_audio(frames) : 0;
    if (at) {
      const i = at >> 2;
      left.set(HEAPF32.subarray(i, i + frames));
      right.set(HEAPF32.subarray(i + frames, i + 2 * frames));
    }
    window.fgGameFrames = (window.fgGameFrames || 0) + frames;
    return [left, right];
  }

  // The game renders at the rate it was told when it started. An output that opened later at
  // another rate (a browser refusing 44.1 kHz once the player has pressed a key) would play the
  // music off pitch: the game's frames are then stretched to the output's rate, read between
  // neighbours. `spare` holds the frames not yet played, `pos` where the output stands in them.
  let told = kRate;
  let spare = [new Float32Array(0), new Float32Array(0)];
  let pos = 0;
  function stretched(rate) {
    const step = told / rate;
    const need = Math.floor(pos + step * kBlock) + 2;
    if (spare[0].length < need) {
      const more = pull(need - spare[0].length);
      spare = spare.map((old, c) => {
        const joined = new Float32Array(need);
        joined.set(old);
        joined.set(more[c], old.length);
        return joined;
      });
    }
    const block = spare.map((src) => {
      const out = new Float32Array(kBlock);
      for (let k = 0; k < kBlock; ++k) {
        const x = pos + k * step;
        const i = Math.floor(x);
        out[k] = src[i] + (src[i + 1] - src[i]) * (x - i);
      }
      return out;
    });
    const next = pos + kBlock * step;
    spare = spare.map((src) => src.slice(Math.floor(next)));
    pos = next - Math.floor(next);
    return block;
  }

  // One block of the output, at the output's rate.
  function render() {
    const rate = context ? context.sampleRate : told;
    return rate === told ? pull(kBlock) : stretched(rate);
  }

  // The worklet plays what the page renders for it; it asks for blocks as it runs low.
  function useWorklet() {
    return context.audioWorklet.addModule('audio_worklet.js').then(() => {
      const node = new AudioWorkletNode(context, 'fg-output', {
        numberOfInputs: 0,
        outputChannelCount: [2],
      });
      node.port.onmessage = (e) => {
        if (!context) return;  // the program has ended: a late report is not sound
        level = e.data.level;
        for (let n = 0; n < e.data.want; ++n) {
          const block = render();
          node.port.postMessage(block, [block[0].buffer, block[1].buffer]);
        }
      };
      node.connect(context.destination);
    });
  }

  // Pages not served from a secure origin have no worklets: the older processor node.
  function useScriptProcessor() {
    const node = context.createScriptProcessor(kBlock * 2, 0, 2);
    node.onaudioprocess = (e) => {
      for (let at = 0; at < e.outputBuffer.length; at += kBlock) {
        const [left, right] = render();
        e.outputBuffer.copyToChannel(left, 0, at);
        e.outputBuffer.copyToChannel(right, 1, at);
        let sum = 0;
        for (let k = 0; k < kBlock; ++k) sum += left[k] * left[k] + right[k] * right[k];
        level = Math.sqrt(sum / (2 * kBlock));
      }
    };
    node.connect(context.destination);
  }

  function startAudio() {
    waiting = false;
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context) return;
    try {
      context = new Context({ sampleRate: kRate, latencyHint: 'interactive' });
    } catch (e) {
      try {
        context = new Context();
      } catch (e2) {
        return;
      }
    }
    const ready = context.audioWorklet ? useWorklet() : Promise.reject(new Error('no worklet'));
    ready.catch(useScriptProcessor);
  }
  // Browsers keep a page silent until the player does something: the first key, click or tap
  // (a touch counts once the finger lifts). The first audio output a page opens costs it a long
  // stall while the browser sets up its sound, so where the page must wait for the player anyway
  // it opens the output then; where it may play at once (a tiny silent sound tells), at once.
  let waiting = false;  // for the player's first gesture to open the output
  let gestured = false;
  function askToPlay() {
    let probe;
    try {
      probe = new Audio(kSilence).play();
    } catch (e) {
      probe = null;
    }
    if (!probe) return startAudio();
    probe.then(startAudio, (e) => {
      if (e && e.name === 'NotAllowedError' && !gestured) waiting = true;
      else startAudio();
    });
  }
  askToPlay();
  const wake = () => {
    gestured = true;
    if (waiting) {
      waiting = false;
      startAudio();
    } else if (context && context.state === 'suspended') {
      context.resume();
    }
  };
  for (const type of ['keydown', 'pointerdown', 'pointerup', 'touchend']) {
    window.addEventListener(type, wake, true);
  }

  // Before the output opens, the rate it will be asked for; the game renders at this rate from
  // then on.
  Module['fgAudioRate'] = () => {
    told = context ? context.sampleRate : kRate;
    spare = [new Float32Array(0), new Float32Array(0)];
    pos = 0;
    return told;
  };
  Module['fgShown'] = () => {
    session(false);
    window.fgFirstFrameAt = performance.now();
    document.body.classList.add('shown');
    if (badLink) {
      badLink = false;
      say(kBadLink, 6000);
    }
  };
  Module['fgEnded'] = () => {
    document.body.classList.add('ended');
    if (context) context.close();
    context = null;
    level = 0;
  };
  // Playing again after the end: a new output for the new run, made inside the player's gesture.
  Module['fgRestartAudio'] = startAudio;
  window.fgAudioLevel = () => level;
  window.fgAudioState = () => (context ? context.state : waiting ? 'suspended' : 'none');
})();
