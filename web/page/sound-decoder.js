// sound-decoder.js - the page's second processor: a Web Worker that runs the
// decoder program (song-decoder.wasm, built from the same song_decoder.c as
// the console's program and the desktop's) and feeds the page's sound output
// directly, as the console's second processor decodes beside the first. The
// engine on the page's thread never touches a sample; it only gives orders.
// Where a browser has no workers the page runs this same file on its own
// thread (serveDecoder with one end of a MessageChannel).
//
// From the page:
//   { kind: 'start', name, wasm, aheadFrames }  the module's file name and
//                                         bytes, and how much sound to keep
//                                         queued at the output
//   { kind: 'song', bytes }               the song the page downloaded
//   { kind: 'orders', words }             the engine's order words, as they
//                                         change: written into the program's
//                                         control block as they are
//   { kind: 'output', port }              the sound output's port
//                                         (sound-queue.js says what goes on it)
// To the page:
//   { kind: 'started' }                   the module runs
//   { kind: 'report', seek, words }       the program's report since that
//                                         seek changed: its words as its
//                                         control block holds them (where
//                                         the song's sound stopped, the
//                                         damaged stretches it skipped)
//   { kind: 'failed', why }               the module cannot run, or stopped:
//                                         said once, and nothing more is done
'use strict';

// What the page's worker calls in the module (platform/code940/web/main.c).
const DECODER_CALLS = ['decoderSongArea', 'decoderSongLoaded', 'decoderOrdersArea',
                       'decoderOrdersWritten', 'decoderNextBlock', 'decoderBlockFrames',
                       'decoderBlockSeek', 'decoderBlockSample', 'decoderReport',
                       'decoderReportWords'];

function serveDecoder(page) {
  let decoder = null;  // the module's exports
  let failed = false;
  let ahead = 0;
  let output = null;
  let seek = 0;       // the seek the program's sound follows
  let sent = [];      // { sequence, frames } of the current seek, kept until the output took them
  let waiting = [];   // blocks decoded before the output was there
  let taken = { sequence: -1, queued: 0, seek: -1 };
  let sequence = 0;
  let reported = '';  // the latest report sent, with its seek

  const fail = (why) => {
    if (failed) return;
    failed = true;
    page.postMessage({ kind: 'failed', why });
  };
  // Each step of the program, guarded: a fault is said once, and ends it.
  const guarded = (work) => {
    if (failed) return;
    try {
      work();
    } catch (e) {
      fail(`the song decoder stopped: ${e.message}`);
    }
  };

  async function start(name, wasm) {
    let module;
    try {
      module = await WebAssembly.compile(wasm);
    } catch (e) {
      throw new Error(`${name} cannot run: ${e.message}`);
    }
    // A bare module: the C library asks its host for nothing it uses.
    const imports = {};
    for (const { module: from, name: call } of WebAssembly.Module.imports(module)) {
      imports[from] = imports[from] || {};
      imports[from][call] = () => { throw new Error(`the decoder called ${from}.${call}`); };
    }
    const exports = (await WebAssembly.instantiate(module, imports)).exports;
    const missing = ['memory', '_initialize', ...DECODER_CALLS].filter((call) => !exports[call]);
    if (missing.length) throw new Error(`${name} is not the song decoder: it has no ${missing[0]}`);
    exports._initialize();
    decoder = exports;
    page.postMessage({ kind: 'started' });
  }

  function loadSong(bytes) {
    const at = decoder.decoderSongArea(bytes.length);
    if (!at) {
      fail(`the song's ${bytes.length} bytes do not fit the second processor's song area`);
      return;
    }
    new Uint8Array(decoder.memory.buffer, at, bytes.length).set(bytes);
    decoder.decoderSongLoaded(bytes.length);
  }

  function follow(words) {
    new Uint32Array(decoder.memory.buffer, decoder.decoderOrdersArea(), words.length).set(words);
    const now = decoder.decoderOrdersWritten();
    if (now === seek) return;
    seek = now;
    sent = [];
    waiting = [];
    if (output) output.postMessage({ kind: 'flush', seek });
  }

  function send(block) {
    if (!output) {
      waiting.push(block);
      return;
    }
    output.postMessage(block, [block.left.buffer, block.right.buffer]);
  }

  // The next block of the latest seek the program fills, as the output plays it.
  function nextBlock() {
    const at = decoder.decoderNextBlock();
    if (!at) return null;
    const memory = decoder.memory.buffer;
    const blockSeek = decoder.decoderBlockSeek();
    const words = [...new Uint32Array(memory, decoder.decoderReport(), decoder.decoderReportWords())];
    if (`${blockSeek} ${words}` !== reported) {
      reported = `${blockSeek} ${words}`;
      page.postMessage({ kind: 'report', seek: blockSeek, words });
    }
    const frames = decoder.decoderBlockFrames();
    const samples = new Int16Array(memory, at, frames * 2);
    const left = new Float32Array(frames);
    const right = new Float32Array(frames);
    for (let i = 0; i < frames; ++i) {
      left[i] = samples[2 * i] / 32768;
      right[i] = samples[2 * i + 1] / 32768;
    }
    return { kind: 'sound', left, right, sample: decoder.decoderBlockSample(), seek: blockSeek,
             sequence: ++sequence };
  }

  // Decodes while the output holds less than it should.
  function fill() {
    if (!decoder) return;
    sent = sent.filter((s) => s.sequence > taken.sequence);
    let queued = (taken.seek === seek ? taken.queued : 0) +
                 sent.reduce((sum, s) => sum + s.frames, 0);
    while (queued < ahead) {
      const block = nextBlock();
      if (!block) break;
      sent.push({ sequence: block.sequence, frames: block.left.length });
      queued += block.left.length;
      send(block);
    }
  }

  function connect(port) {
    output = port;
    output.onmessage = (event) => guarded(() => {
      taken = event.data;
      fill();
    });
    for (const block of waiting) send(block);
    waiting = [];
    fill();
  }

  let work = Promise.resolve();
  page.onmessage = (event) => {
    const message = event.data;
    // In order, each after the module has started.
    work = work.then(async () => {
      if (failed) return;
      if (message.kind === 'start') {
        ahead = message.aheadFrames;
        await start(message.name, message.wasm);
        return;
      }
      if (!decoder) return;
      guarded(() => {
        if (message.kind === 'song') loadSong(message.bytes);
        if (message.kind === 'orders') follow(message.words);
        if (message.kind === 'output') connect(message.port);
        fill();
      });
    }).catch((e) => fail(e.message));
  };
}

if (typeof WorkerGlobalScope !== 'undefined' && self instanceof WorkerGlobalScope) {
  serveDecoder(self);
}
