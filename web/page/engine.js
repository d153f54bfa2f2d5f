// engine.js - the page's one bridge to the demo's engine (web/main.cpp).
//
// new Engine(module, onStopped) reads the engine's facts once (screen,
// sample rate, font, sections, the positions' times, keys, commands, the
// status record's layout, the song's file, where the second processor's
// order words lie and where its report goes); after that
// the page reads the engine's state only through status() and asks it to
// act only through its calls here. A call
// that ends the engine (a file it cannot start without: its own line, then
// exit status 1) is caught here and reported once, with that line, through
// onStopped(why); the engine takes no call after that.
export class Engine {
  constructor(module, onStopped) {
    this.module = module;
    this.onStopped = onStopped;
    this.stopped = '';
    this.problems = [];
    this.onProblem = () => {};
    module.onProblem = (line) => this.problem(line);
    this.facts = JSON.parse(module.UTF8ToString(module._webFacts()));
    this.fields = this.facts.status.fields;
  }

  // A problem line ("no music: ...", "error loading ..."): the engine's own,
  // or the page's about the engine's music.
  problem(line) {
    this.problems.push(line);
    this.onProblem(line);
  }

  // Runs a call into the engine; false if the engine has stopped.
  call(run) {
    if (this.stopped) return false;
    try {
      run(this.module);
      return true;
    } catch (e) {
      this.stopped = e && e.name === 'ExitStatus'
        ? this.problems[this.problems.length - 1] || `the demo stopped with status ${e.status}`
        : `the demo stopped: ${e && e.message ? e.message : e}`;
      this.onStopped(this.stopped);
      return false;
    }
  }

  status() {
    const words = this.module.HEAP32;
    const at = this.facts.status.at >> 2;
    const status = {};
    this.fields.forEach((name, i) => { status[name] = words[at + i]; });
    return status;
  }

  // The picture the engine made ready, as RGBA bytes.
  picture() {
    const { width, height, rgba } = this.facts.screen;
    return this.module.HEAPU8.subarray(rgba, rgba + width * height * 4);
  }

  // The engine's order words for the second processor, as they stand now.
  orders() {
    const { at, words } = this.facts.secondCpu.orders;
    return [...this.module.HEAP32.subarray(at >> 2, (at >> 2) + words)];
  }

  writeFile(name, bytes) {
    return this.call((m) => {
      if (name.includes('/')) m.FS.mkdirTree(name.slice(0, name.lastIndexOf('/')));
      m.FS.writeFile(name, bytes);
    });
  }

  showDownload(fraction, note) {
    return this.call((m) => {
      const size = m.lengthBytesUTF8(note) + 1;
      const at = m._malloc(size);
      m.stringToUTF8(note, at, size);
      try {
        m._webShowDownload(Math.floor(fraction * 1000), at);
      } finally {
        m._free(at);
      }
    });
  }

  startUp() {
    return this.call((m) => m._webStartUp());
  }

  frame(nowMs, heardSeconds, heardAtMs) {
    return this.call((m) => m._webFrame(nowMs, heardSeconds, heardAtMs));
  }

  // One of the facts' commands by name: play, cue (a music time, before
  // Play), key (by its index in the facts' keys), jump (a position), seek (a
  // music time), hold (1 or 0: a drag on the seek bar), again, hide, show.
  command(name, value = 0) {
    return this.call((m) => m._webCommand(this.facts.commands.indexOf(name), value));
  }

  // After start-up: the music times of the song's beats ({beats, glitches}).
  syncEvents() {
    let events = { beats: [], glitches: [] };
    this.call((m) => { events = JSON.parse(m.UTF8ToString(m._webSyncEvents())); });
    return events;
  }

  // The second processor's report after seek number `seek` (where the song's
  // sound stopped, the damaged stretches skipped), written where that
  // processor writes it on the console: into the engine's control block,
  // the last word last. The engine reads it at its next frame; a report of
  // an older seek is of no use to it.
  report(seek, words) {
    if (this.stopped || this.status().seek !== seek) return;
    const { at, words: count } = this.facts.secondCpu.report;
    for (let i = 0; i < count; ++i) this.module.HEAP32[(at >> 2) + i] = words[i];
  }

  heard(atSeconds, soundFrames, seek, following) {
    return this.call((m) => m._webHeard(atSeconds, soundFrames, seek, following));
  }

  // The page's sound stopped for good: the picture goes on by the wall clock.
  soundLost() {
    return this.call((m) => m._webSoundLost());
  }
}
