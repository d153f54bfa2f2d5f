// sound-decoder.js - the page's second processor: a Web Worker that runs the
// decoder program (song-decoder.wasm, built from the same song_decoder.c as
// the console's program and the desktop's) and feeds the page's sound output
// directly, as the console's second processor decodes beside the first. The
// engine on the page's thread never touches a sample; it only gives orders.
// Where a browser has no workers the page runs this same file on its own
// thread (serveDecoder with one end of a MessageChannel).
//
// From the page:
//   { kind: 'start', wasm, aheadFrames }  the module's bytes, and how much
//                                         sound to keep queued at the output
//   { kind: 'song', bytes }               the song, as the engine loaded it
//   { kind: 'orders', playing, seek, sample }  the engine's orders: play or
//                                         not, and the latest seek's number
//                                         and the stereo frame it goes on from
//   { kind: 'output', port }              the sound output's port
//                                         (sound-queue.js says what goes on it)
// To the page:
//   { kind: 'report', seek, words }       the program's report since that
//                                         seek changed: its words as its
//                                         control block holds them (where
//                                         the song's sound stopped, the
//                                         damaged stretches it skipped)
//   { kind: 'failed', why }               the module cannot run
'use strict';

function serveDecoder(page) {
  let decoder = null;  // the module's exports
  let ahead = 0;
  let output = null;
  let orders = { playing: 0, seek: 0, sample: 0 };
  let sent = [];      // { sequence, frames } of the current seek, kept until the output took them
  let waiting = [];   // blocks decoded before the output was there
  let taken = { sequence: -1, queued: 0, seek: -1 };
  let sequence = 0;
  let reported = '';  // the latest report sent, with its seek

  const failed = (why) => page.postMessage({ kind: 'failed', why });

  async function start(wasm) {
    // A bare module: the C library asks its host for nothing it uses.
    const module = await WebAssembly.compile(wasm);
    const imports = {};
    for (const { module: from, name } of WebAssembly.Module.imports(module)) {
      imports[from] = imports[from] || {};
      imports[from][name] = () => { throw new Error(`the decoder called ${from}.${name}`); };
    }
    decoder = (await WebAssembly.instantiate(module, imports)).exports;
    decoder._initialize();
  }

  function loadSong(bytes) {
    const at = decoder.decoderSongArea(bytes.length);
    if (!at) {
      failed(`the song's ${bytes.length} bytes do not fit the second processor's song area`);
      return;
    }
    new Uint8Array(decoder.memory.buffer, at, bytes.length).set(bytes);
    decoder.decoderSongLoaded(bytes.length);
  }

  function follow(next) {
    const seek = next.seek !== orders.seek;
    orders = next;
    decoder.decoderOrders(orders.playing, orders.seek, orders.sample);
    if (!seek) return;
    sent = [];
    waiting = [];
    if (output) output.postMessage({ kind: 'flush', seek: orders.seek });
  }

  function send(block) {
    if (!output) {
      waiting.push(block);
      return;
    }
    output.postMessage(block, [block.left.buffer, block.right.buffer]);
  }

  // The next block the program fills, as the output plays it.
  function nextBlock() {
    const at = decoder.decoderNextBlock();
    if (!at) return null;
    const [seek, sample, frames, ...words] = new Uint32Array(decoder.memory.buffer, at, 7);
    if (`${seek} ${words}` !== reported) {
      reported = `${seek} ${words}`;
      page.postMessage({ kind: 'report', seek, words });
    }
    const samples = new Int16Array(decoder.memory.buffer, at + 28, frames * 2);
    const left = new Float32Array(frames);
    const right = new Float32Array(frames);
    for (let i = 0; i < frames; ++i) {
      left[i] = samples[2 * i] / 32768;
      right[i] = samples[2 * i + 1] / 32768;
    }
    return { kind: 'sound', left, right, sample, seek, sequence: ++sequence };
  }

  // Decodes while the output holds less than it should.
  function fill() {
    if (!decoder) return;
    sent = sent.filter((s) => s.sequence > taken.sequence);
    let queued = (taken.seek === orders.seek ? taken.queued : 0) +
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
    output.onmessage = (event) => {
      taken = event.data;
      fill();
    };
    for (const block of waiting) send(block);
    waiting = [];
    fill();
  }

  let work = Promise.resolve();
  page.onmessage = (event) => {
    const message = event.data;
    // In order, each after the module has started.
    work = work.then(async () => {
      if (message.kind === 'start') {
        ahead = message.aheadFrames;
        await start(message.wasm);
      } else if (!decoder) {
        return;
      } else if (message.kind === 'song') {
        loadSong(message.bytes);
      } else if (message.kind === 'orders') {
        follow(message);
      } else if (message.kind === 'output') {
        connect(message.port);
      }
      fill();
    }).catch((e) => failed(e.message));
  };
}

if (typeof WorkerGlobalScope !== 'undefined' && self instanceof WorkerGlobalScope) {
  serveDecoder(self);
}
