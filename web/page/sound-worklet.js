// sound-worklet.js - the page's sound output on the browser's audio thread:
// plays the blocks the second processor's worker sends it directly, in
// order, and says what it played and when.
//
// The worker keeps two seconds queued here (sound-queue.js), so that neither
// a slow picture frame nor a busy page's thread can starve the sound: the
// page's thread only reads what was played. The queue runs dry only when the
// worker cannot decode in time; the output then plays silence, and the
// page's clock, which counts only sound heard, stands still meanwhile.
//
// Messages in on its port:  { kind: 'decoder', port }: the worker's port,
//                           once (sound-queue.js says what comes on it)
// Messages out on its port: { kind: 'heard', spans, queued }, about every
//                           93 ms: what was played since the last (spans as
//                           sound-queue.js notes them), and the frames
//                           queued to follow
import { SoundQueue } from './sound-queue.js';

// How often the worker hears what was taken (about every 12 ms: it keeps
// the queue full), and the page what was played (about every 93 ms: each
// report costs the page's thread, which a slow machine has little of, and
// the page's clock counts what the queue holds between two reports).
const DECODER_QUANTA = 4;
const PAGE_QUANTA = 32;

class OndrivaleSound extends AudioWorkletProcessor {
  constructor() {
    super();
    this.queue = new SoundQueue(sampleRate);
    this.decoder = null;
    this.quanta = 0;
    this.port.onmessage = (event) => {
      if (event.data.kind !== 'decoder') return;
      this.decoder = event.data.port;
      this.decoder.onmessage = (message) => this.queue.receive(message.data);
    };
  }

  process(inputs, outputs) {
    const left = outputs[0][0];
    const right = outputs[0][1] || outputs[0][0];
    this.queue.note(currentTime, left.length, this.queue.take(left, right));
    ++this.quanta;
    if (this.decoder && this.quanta % DECODER_QUANTA === 0) {
      this.decoder.postMessage(this.queue.report());
    }
    if (this.quanta % PAGE_QUANTA === 0) {
      this.port.postMessage({ kind: 'heard', spans: this.queue.played(), queued: this.queue.queued });
    }
    return true;
  }
}

registerProcessor('ondrivale-sound', OndrivaleSound);
