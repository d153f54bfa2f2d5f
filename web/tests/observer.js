// Injected by the page's tests and bench/web into the page before its own
// scripts (DevTools' Page.addScriptToEvaluateOnNewDocument); the page itself
// knows nothing of it. It watches from outside what a viewer sees and hears:
//
// - the sound: whatever the page connects to its output is also connected to
//   a channel splitter with an analyser a channel, so that the samples being
//   rendered can be read back exactly (a 16-bit sample s leaves the page as
//   s / 32768, which a float holds exactly);
// - the pictures: each putImageData on the #screen canvas is a picture shown,
//   noted with the music time of its frame and the output's timestamp then;
// - the sound output's own reports, where it is a worklet: its underruns,
//   counted here from what it says it played (a dry stretch of a seek after
//   sound of that seek was played);
// - the module, when the page creates it, for the test hooks of a test build,
//   and every line it prints.
//
// window.__observer:
//   poll(frames)  -> {t, perf, left, right}: the last `frames` frames
//                    rendered (base64 of little-endian int16), at context time t
//   startPolling(ms, frames) / stopPolling() -> polls noted every ms
//   paints       [perf, musicMs, contextTime, stampPerf] a picture
//   seekingPaints  perf of each picture with the player's SEEKING label over it
//   underruns    the worklet's count, or null
//   states       [state, perf] as document.body.dataset.state changes
//   module       the engine's module once it runs
//   printed      the lines it printed
//   status()     the engine's status record, and its order words for the
//                second processor, by the names its facts give
'use strict';
(() => {
  const observer = { paints: [], seekingPaints: [], polls: [], underruns: null, module: null,
                     context: null, analysers: null, timer: 0, states: [], printed: [] };
  window.__observer = observer;

  // The page's states (document.body.dataset.state) as they change, with the time.
  new MutationObserver(() => {
    const state = document.body && document.body.dataset.state;
    const last = observer.states[observer.states.length - 1];
    if (state && (!last || last[0] !== state)) observer.states.push([state, performance.now()]);
  }).observe(document, { subtree: true, attributes: true,
                            attributeFilter: ['data-state'] });

  // ---- the module: the factory the page's downloaded script defines ----
  let factory;
  Object.defineProperty(window, 'OndrivaleModule', {
    configurable: true,
    get: () => factory,
    set: (made) => {
      factory = (options) => {
        const print = options.print;
        options.print = (line) => {
          observer.printed.push(line);
          if (print) print(line);
        };
        return made(options).then((module) => {
          observer.module = module;
          return module;
        });
      };
    },
  });

  observer.status = () => {
    const m = observer.module;
    if (!m) return null;
    if (!observer.facts) observer.facts = JSON.parse(m.UTF8ToString(m._webFacts()));
    const { at, fields } = observer.facts.status;
    const status = {};
    fields.forEach((name, i) => { status[name] = m.HEAP32[(at >> 2) + i]; });
    const orders = observer.facts.secondCpu && observer.facts.secondCpu.orders;
    if (orders) orders.names.forEach((name, i) => { status[name] = m.HEAP32[(orders.at >> 2) + i]; });
    return status;
  };

  // The music time of the frame on screen (a page before the status record
  // had a getter of its own).
  observer.musicMs = () => {
    const m = observer.module;
    if (!m) return -1;
    return m._webMusicMs ? m._webMusicMs() : observer.status().musicMs;
  };

  // ---- the sound ----
  const connect = AudioNode.prototype.connect;
  AudioNode.prototype.connect = function (destination, ...rest) {
    const result = connect.call(this, destination, ...rest);
    if (destination instanceof AudioDestinationNode && !observer.analysers) {
      const context = this.context;
      const splitter = context.createChannelSplitter(2);
      const analysers = [0, 1].map(() => {
        const a = context.createAnalyser();
        a.fftSize = 32768;
        return a;
      });
      connect.call(this, splitter);
      connect.call(splitter, analysers[0], 0);
      connect.call(splitter, analysers[1], 1);
      observer.context = context;
      observer.analysers = analysers;
    }
    return result;
  };

  // Spans [at, frames, soundFrames, seek, sample] (sound-queue.js): a span
  // with fewer song frames than frames, after song of the same seek was
  // played, is the queue run dry: an underrun.
  const Worklet = window.AudioWorkletNode;
  if (Worklet) {
    window.AudioWorkletNode = function (context, name, options) {
      const node = new Worklet(context, name, options);
      let seek = null;
      let flowing = false;
      observer.underruns = 0;
      node.port.addEventListener('message', (event) => {
        for (const [, frames, soundFrames, spanSeek] of event.data.spans || []) {
          if (spanSeek !== seek) [seek, flowing] = [spanSeek, false];
          if (soundFrames > 0) flowing = true;
          if (soundFrames < frames && flowing) {
            ++observer.underruns;
            flowing = false;
          }
        }
      });
      return node;
    };
    window.AudioWorkletNode.prototype = Worklet.prototype;
  }

  const base64 = (samples) => {
    const bytes = new Uint8Array(samples.buffer);
    let s = '';
    for (let i = 0; i < bytes.length; i += 8192) {
      s += String.fromCharCode.apply(null, bytes.subarray(i, i + 8192));
    }
    return btoa(s);
  };

  // The two channels are read one after the other, and the context's time
  // around them: a render quantum in between would shift what was read
  // against the time, so the read is made again.
  observer.poll = (frames) => {
    if (!observer.analysers) return null;
    const buffers = [new Float32Array(32768), new Float32Array(32768)];
    for (;;) {
      const t = observer.context.currentTime;
      const perf = performance.now();
      observer.analysers.forEach((a, i) => a.getFloatTimeDomainData(buffers[i]));
      if (observer.context.currentTime !== t) continue;
      const [left, right] = buffers.map((buffer) => {
        const out = new Int16Array(frames);
        for (let i = 0; i < frames; ++i) out[i] = Math.round(buffer[32768 - frames + i] * 32768);
        return out;
      });
      return { t, perf, left, right };
    }
  };

  observer.startPolling = (ms, frames) => {
    observer.polls = [];
    observer.timer = setInterval(() => {
      const p = observer.poll(frames);
      if (p) observer.polls.push(p);
    }, ms);
  };
  observer.stopPolling = () => clearInterval(observer.timer);
  observer.pollsSince = (perf) => JSON.stringify(observer.polls.filter((p) => p.perf >= perf)
    .map((p) => ({ t: p.t, perf: p.perf, left: base64(p.left), right: base64(p.right) })));
  observer.pollNow = (frames) => {
    const p = observer.poll(frames);
    return p && JSON.stringify({ t: p.t, perf: p.perf, left: base64(p.left),
                                 right: base64(p.right) });
  };

  // ---- the pictures ----
  // Whether a picture has the player's SEEKING label over it: a band of 15
  // rows across the middle, dark but for the word in its centre.
  const seeking = (image) => {
    const { width, height, data } = image;
    const top = Math.floor((height - 9) / 2) - 3;
    let lit = 0;
    for (let y = top; y < top + 15; ++y) {
      for (let x = 0; x < width; ++x) {
        const i = (y * width + x) * 4;
        if (data[i] + data[i + 1] + data[i + 2] === 0) continue;
        if (Math.abs(x - width / 2) > 30) return false;
        ++lit;
      }
    }
    return lit > 20;
  };
  const put = CanvasRenderingContext2D.prototype.putImageData;
  CanvasRenderingContext2D.prototype.putImageData = function (...args) {
    put.apply(this, args);
    if (this.canvas.id !== 'screen' || !observer.context) return;
    const stamp = observer.context.getOutputTimestamp();
    const now = performance.now();
    observer.paints.push([now, observer.musicMs(), stamp.contextTime, stamp.performanceTime]);
    if (seeking(args[0])) observer.seekingPaints.push(now);
  };
})();
