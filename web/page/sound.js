// sound.js - the demo's sound in the browser: the second processor on a
// worker of its own, the output that plays what it decodes, and the output's
// reports of what was heard, which the engine's clock counts.
//
//   const sound = new Sound(engine, decoder, song)  at load: the worker
//       starts the decoder's module (decoder: { name, bytes }) and is handed
//       the song the page downloaded (both transferred, not copied)
//   await sound.ready     true once the decoder runs; false, with its line
//       shown once ("no music: ..."), if it cannot
//   await sound.play()    at the click on Play: the browser's output, true if
//       the page plays sound (the browser has an output, the decoder runs)
//   sound.follow()        after every call into the engine: the engine's order
//       words (platform/sound_pump.h) go to the worker as they change
//   sound.timing(nowMs)   [second of the output's clock heard at nowMs, nowMs]
//   sound.pause(), sound.resume()  the output's own clock, for a hidden page
//
// A decoder that cannot start or stops while it plays (a module that is not
// the decoder, a fault, a worker that dies) is said once, under the picture,
// and the engine's clock goes on by the wall clock; nothing is asked of the
// worker after that.
//
// Where it runs: the decoder on a worker (or, in a browser without workers,
// on the page's thread); the output on an AudioWorklet on the browser's
// audio thread, fed by the worker directly, or, where there is no worklet (a
// page served without https from another host than this machine), on a
// ScriptProcessor's callback on the page's thread (CallbackOutput below).
// Either way the engine hears from the output alone what was played, and
// when: its picture follows the sound actually heard.
import { SoundQueue } from './sound-queue.js';

export class Sound {
  constructor(engine, decoder, song) {
    this.engine = engine;
    this.rate = engine.facts.sampleRate;
    this.context = null;
    this.sent = [];
    this.failed = '';
    this.playing = false;
    this.ready = new Promise((resolve) => { this.answer = resolve; });
    this.decoder = startDecoder();
    this.decoder.onmessage = (event) => this.fromDecoder(event.data);
    // A worker that dies of an uncaught fault (its script missing, a fault
    // in the module) says so here, once; the browser is told it was seen.
    this.decoder.onerror = (event) => {
      event.preventDefault();
      this.lost(`the song decoder stopped: ${event.message || 'its worker failed'}`);
    };
    // Two seconds queued at the output: a slow picture frame or a busy
    // page's thread does not reach it, and a worker kept from its core by
    // a busy machine for a second does not starve it. A jump or a pause
    // drops the queue, so its length is never heard.
    this.decoder.postMessage({ kind: 'start', name: decoder.name, wasm: decoder.bytes,
                               aheadFrames: 2 * this.rate }, [decoder.bytes.buffer]);
    this.decoder.postMessage({ kind: 'song', bytes: song }, [song.buffer]);
  }

  fromDecoder(message) {
    if (this.failed) return;
    if (message.kind === 'started') this.answer(true);
    if (message.kind === 'report') this.engine.report(message.seek, message.words);
    if (message.kind === 'failed') this.lost(message.why);
  }

  // Said once; the worker is ended, so that nothing more comes of it.
  lost(why) {
    if (this.failed) return;
    this.failed = why;
    if (this.decoder.terminate) this.decoder.terminate();
    if (!this.engine.problems.some((line) => line.startsWith('no music'))) {
      this.engine.problem(`no music: ${why}`);
    }
    if (this.playing) this.engine.soundLost();
    this.answer(false);
  }

  follow() {
    if (this.failed) return;
    const words = this.engine.orders();
    if (words.every((word, i) => word === this.sent[i])) return;
    this.sent = words;
    this.decoder.postMessage({ kind: 'orders', words });
  }

  async play() {
    const Context = window.AudioContext || window.webkitAudioContext;
    if (!Context || this.failed) return false;
    try {
      this.context = new Context({ sampleRate: this.rate });
    } catch (e) {
      return false;
    }
    this.context.resume();
    const channel = new MessageChannel();
    this.decoder.postMessage({ kind: 'output', port: channel.port1 }, [channel.port1]);
    let node = await this.worklet(channel.port2);
    if (!node) node = new CallbackOutput(this, channel.port2).node;
    node.connect(this.context.destination);
    this.playing = !this.failed;
    return this.playing;
  }

  // The output on the audio thread, or null where the browser has no worklets.
  async worklet(decoderPort) {
    const context = this.context;
    if (!context.audioWorklet || typeof AudioWorkletNode !== 'function') return null;
    try {
      await context.audioWorklet.addModule('sound-worklet.js');
      const node = new AudioWorkletNode(context, 'ondrivale-sound',
                                        { numberOfInputs: 0, outputChannelCount: [2] });
      node.port.onmessage = (event) => this.heard(event.data.spans, event.data.queued);
      node.port.postMessage({ kind: 'decoder', port: decoderPort }, [decoderPort]);
      return node;
    } catch (e) {
      console.warn(`no sound worklet (${e.message}): the sound plays from the page's thread`);
      return null;
    }
  }

  // Spans of output (sound-queue.js): the song's part counts as heard; what
  // the output holds queued follows the last span, if that ended in song.
  heard(spans, queued = 0) {
    spans.forEach(([at, frames, soundFrames, seek], i) => {
      const following = i === spans.length - 1 && soundFrames === frames ? queued : 0;
      if (soundFrames > 0) this.engine.heard(at, soundFrames, seek, following);
    });
  }

  // The browser's output timestamp says when a sample reaches the listener,
  // its latency included; where it says nothing, the context's time less the
  // latency it reports.
  timing(nowMs) {
    const audio = this.context;
    if (!audio || audio.state !== 'running') return [-1, nowMs];
    const stamp = audio.getOutputTimestamp ? audio.getOutputTimestamp() : null;
    if (stamp && stamp.performanceTime > 0 && stamp.contextTime > 0) {
      return [stamp.contextTime, stamp.performanceTime];
    }
    const latency = (audio.outputLatency || 0) + (audio.baseLatency || 0);
    return [Math.max(audio.currentTime - latency, 0), performance.now()];
  }

  pause() {
    if (this.context) this.context.suspend();
  }

  resume() {
    if (this.context) this.context.resume();
  }
}

// The worker, or without workers the same program on this thread, behind a
// MessagePort that stands for it.
function startDecoder() {
  if (typeof Worker === 'function') return new Worker('sound-decoder.js');
  const channel = new MessageChannel();
  const script = document.createElement('script');
  script.src = 'sound-decoder.js';
  script.onload = () => window.serveDecoder(channel.port2);
  document.head.appendChild(script);
  return channel.port1;
}

// The fallback output: a ScriptProcessor's callback on the page's thread
// plays the worker's blocks from the same queue as the worklet.
//
// The output swaps between two buffers every `frames` frames of its clock:
// at each swap it asks the page, by a callback, to fill the buffer it will
// play from the next swap. A callback's playbackTime is the output's clock
// when the callback runs, plus a buffer; the swaps lie on a grid, found from
// the earliest any callback ran after its swap, and each callback answers
// the swap after the last one's. So the time its buffer is heard is known to
// the frame. A callback that runs after the swap that plays its buffer (the
// page's thread was busy) is late: that buffer is already being heard (old
// sound), and those that come bunched after it answer swaps long past. Late
// callbacks give silence and hand nothing over; the song goes on whole from
// the first callback in time, heard from its swap, and the picture, which
// follows what is heard, waits for it. The first few callbacks only find
// the grid. The buffers are long (93 ms) so that the page's own animation
// frames seldom make a callback late.
class CallbackOutput {
  constructor(sound, decoderPort) {
    this.sound = sound;
    this.frames = 4096;
    this.queue = new SoundQueue(sound.rate);
    this.decoderPort = decoderPort;
    decoderPort.onmessage = (event) => this.queue.receive(event.data);
    this.swap0 = null;  // the output's frame at which it swapped before the first callback
    this.next = 0;      // the swap the next callback answers, counted from swap0
    this.warming = 4;
    this.lastLate = 0;
    this.lastRan = 0;
    this.node = sound.context.createScriptProcessor(this.frames, 0, 2);
    this.node.onaudioprocess = (event) => this.fill(event.outputBuffer, event.playbackTime);
  }

  // Whether the callback whose playbackTime is `seconds` is late, and when
  // its buffer is heard.
  place(seconds) {
    const n = this.frames;
    const ran = Math.round(seconds * this.sound.rate) - n;
    if (this.swap0 === null) this.swap0 = ran;
    // Frames since the swap it answers; none can run before it: then the
    // grid lies earlier than thought.
    let after = ran - (this.swap0 + this.next * n);
    if (after < 0) {
      this.swap0 += after;
      after = 0;
    }
    let late = Math.floor(after / n);
    // A whole buffer after the one before and as late: the output skipped a
    // callback while one ran, and this one is in time.
    if (late > 0 && late === this.lastLate && Math.abs(ran - this.lastRan - n) < n / 2) {
      this.next += late;
      late = 0;
    }
    this.lastLate = late;
    this.lastRan = ran;
    const swap = this.next++;
    return { late: late > 0, at: (this.swap0 + (swap + 1) * n) / this.sound.rate };
  }

  fill(buffer, playbackTime) {
    const left = buffer.getChannelData(0);
    const right = buffer.getChannelData(1);
    const { late, at } = this.place(playbackTime);
    if (late || this.warming > 0) {
      --this.warming;
      left.fill(0);
      right.fill(0);
    } else {
      this.queue.note(at, left.length, this.queue.take(left, right));
      this.sound.heard(this.queue.played());
    }
    this.decoderPort.postMessage(this.queue.report());
  }
}
