// The page's sound output, on the browser's audio thread: plays the decoded
// blocks the page sends, in order, and says what it played and when.
//
// The page decodes on its own thread and keeps a few hundred milliseconds
// queued here, so that a slow picture frame does not starve the sound. The
// queue runs dry only when the page cannot decode in time; the output then
// plays silence and says so (no sound frames in that stretch), and the
// page's clock, which counts only sound heard, stands still meanwhile.
//
// Messages in:  { kind: 'sound', left, right, sample, generation, sequence }:
//               Float32Arrays of the song from its stereo sample `sample`
//               { kind: 'flush' }: everything queued is dropped (a jump, a pause)
// Messages out: { kind: 'played', sequence, queued, underruns, spans: [[at,
//               frames, soundFrames, generation, sample], ...] }: from
//               context time `at` on, `frames` frames were output, the first
//               `soundFrames` of them the song from `sample` on, sent in that
//               generation; `queued` frames wait, of the messages up to
//               `sequence`; the queue ran dry `underruns` times.
'use strict';

const REPORT_QUANTA = 4;  // about 12 ms of output a report

class OndrivaleSound extends AudioWorkletProcessor {
  constructor() {
    super();
    this.queue = [];    // blocks: { left, right, sample, generation }
    this.sequence = -1;
    this.offset = 0;    // frames of the first block already played
    this.queued = 0;    // frames queued in all
    this.playing = false;  // sound has come since the last flush
    this.underruns = 0;
    this.spans = [];
    this.quanta = 0;
    this.port.onmessage = (event) => this.receive(event.data);
  }

  receive(message) {
    if (message.kind === 'sound') {
      this.sequence = message.sequence;
      this.queue.push(message);
      this.queued += message.left.length;
      this.playing = true;
    } else if (message.kind === 'flush') {
      this.queue = [];
      this.offset = 0;
      this.queued = 0;
      this.playing = false;
    }
  }

  // A span of output, joined to the last one while both are all sound of
  // one generation, each following on the other.
  note(at, frames, soundFrames, generation, sample) {
    const last = this.spans[this.spans.length - 1];
    if (last && last[3] === generation && last[1] === last[2] && soundFrames === frames &&
        last[4] + last[2] === sample && Math.abs(last[0] + last[1] / sampleRate - at) < 1e-6) {
      last[1] += frames;
      last[2] += soundFrames;
    } else {
      this.spans.push([at, frames, soundFrames, generation, sample]);
    }
  }

  process(inputs, outputs) {
    const left = outputs[0][0];
    const right = outputs[0][1] || outputs[0][0];
    const frames = left.length;
    let filled = 0;
    let generation = -1;
    let sample = -1;
    while (filled < frames && this.queue.length > 0) {
      const block = this.queue[0];
      if (generation >= 0 && block.generation !== generation) break;
      if (sample >= 0 && block.sample !== sample + filled) break;
      if (sample < 0) sample = block.sample + this.offset;
      generation = block.generation;
      const n = Math.min(frames - filled, block.left.length - this.offset);
      left.set(block.left.subarray(this.offset, this.offset + n), filled);
      right.set(block.right.subarray(this.offset, this.offset + n), filled);
      filled += n;
      this.offset += n;
      this.queued -= n;
      if (this.offset === block.left.length) {
        this.queue.shift();
        this.offset = 0;
      }
    }
    left.fill(0, filled);
    right.fill(0, filled);
    // One underrun a dry stretch: sound had come, and ran out.
    if (filled < frames && this.playing) {
      ++this.underruns;
      this.playing = false;
    }
    this.note(currentTime, frames, filled, generation, sample);
    if (++this.quanta >= REPORT_QUANTA) {
      this.port.postMessage({ kind: 'played', sequence: this.sequence, queued: this.queued,
                              underruns: this.underruns, spans: this.spans });
      this.spans = [];
      this.quanta = 0;
    }
    return true;
  }
}

registerProcessor('ondrivale-sound', OndrivaleSound);
