// sound-queue.js - the decoded song waiting at the page's sound output, and
// what the output played of it. Shared by the page's two outputs: the
// AudioWorklet on the browser's audio thread (sound-worklet.js) and the
// fallback callback on the page's own thread (sound.js).
//
// The second processor (sound-decoder.js, on a worker of its own) sends on a
// MessagePort:
//   { kind: 'sound', left, right, sample, seek, sequence }: Float32Arrays of
//       the song from its stereo frame `sample`, following seek number `seek`
//   { kind: 'flush', seek }: seek number `seek` was asked for: what is queued
//       is dropped, and every block that follows an older seek when it comes
// and hears back, after what the output took:
//   { kind: 'played', sequence, queued, seek }: of the blocks up to
//       `sequence`, `queued` frames of seek `seek` wait here.
// What was played goes to the page as spans [at, frames, soundFrames, seek,
// sample]: from `at` of the output's clock on, `frames` frames were output,
// the first `soundFrames` of them the song from `sample` on.
export class SoundQueue {
  constructor(rate) {
    this.rate = rate;
    this.blocks = [];
    this.offset = 0;  // frames of the first block already played
    this.queued = 0;
    this.seek = 0;
    this.sequence = -1;
    this.spans = [];
  }

  receive(message) {
    if (message.kind === 'sound') this.sequence = message.sequence;
    if (message.seek < this.seek) return;
    if (message.seek > this.seek || message.kind === 'flush') this.drop(message.seek);
    if (message.kind !== 'sound') return;
    this.blocks.push(message);
    this.queued += message.left.length;
  }

  drop(seek) {
    this.seek = seek;
    this.blocks = [];
    this.offset = 0;
    this.queued = 0;
  }

  // Fills left and right with the song as it follows on, then silence;
  // returns how many frames are song, and from which frame.
  take(left, right) {
    const frames = left.length;
    let filled = 0;
    let sample = -1;
    while (filled < frames && this.blocks.length > 0) {
      const block = this.blocks[0];
      if (sample >= 0 && block.sample + this.offset !== sample + filled) break;
      if (sample < 0) sample = block.sample + this.offset;
      const n = Math.min(frames - filled, block.left.length - this.offset);
      left.set(block.left.subarray(this.offset, this.offset + n), filled);
      right.set(block.right.subarray(this.offset, this.offset + n), filled);
      filled += n;
      this.offset += n;
      this.queued -= n;
      if (this.offset === block.left.length) {
        this.blocks.shift();
        this.offset = 0;
      }
    }
    left.fill(0, filled);
    right.fill(0, filled);
    return { soundFrames: filled, sample };
  }

  // A span of output, joined to the last one while both are all song of one
  // seek, each following on the other.
  note(at, frames, took) {
    const last = this.spans[this.spans.length - 1];
    const { soundFrames, sample } = took;
    if (last && last[3] === this.seek && last[1] === last[2] && soundFrames === frames &&
        last[4] + last[2] === sample && Math.abs(last[0] + last[1] / this.rate - at) < 1e-6) {
      last[1] += frames;
      last[2] += soundFrames;
    } else {
      this.spans.push([at, frames, soundFrames, this.seek, sample]);
    }
  }

  report() {
    return { kind: 'played', sequence: this.sequence, queued: this.queued, seek: this.seek };
  }

  // The spans noted since the last call.
  played() {
    const spans = this.spans;
    this.spans = [];
    return spans;
  }
}
