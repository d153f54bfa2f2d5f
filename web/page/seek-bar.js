// seek-bar.js - the seek bar under the picture: the music's time and its
// length, the running order's positions as its segments, the song's beats on
// it, and any moment reached by a pointer (mouse, pen or finger) or the keys;
// to a screen reader, a slider whose value is the time as text.
//
//   const bar = new SeekBar(facts, lettering, actions)
//       facts: the engine's (positionMs, lastMs, sections); actions:
//       { seek(ms), hold(on), key(name) }: a drag holds the player, its
//       picture following the pointer, and lets go where the pointer is let go
//   bar.setEvents(events)   the song's beats ({beats, glitches}: music times)
//   bar.enable()            after Play, or before it where a link cued a moment
//   bar.show(status)        the moment on screen (the status's musicMs)
//   bar.draw()              again, after the page's size changed
//   momentOf(text), momentText(ms)   a link's moment ("92.4", "1:32.4") read
//                           and written
// On the focused bar, Left and Right (Down and Up) move 5 s, Page Up and Page
// Down a position, Home and End to the start and the last frame.
const $ = (id) => document.getElementById(id);

// The page's palette (page.css), for drawing.
const COLOURS = { empty: '#082408', played: '#2a6a16', position: '#004010', section: '#70d800',
                  beat: '#c8ffb0', glitch: '#ffb040', head: '#ffffff' };

// m:ss of a music time.
export function clockText(ms) {
  const seconds = Math.floor(ms / 1000);
  return `${Math.floor(seconds / 60)}:${String(seconds % 60).padStart(2, '0')}`;
}

// "92.4" (seconds) or "1:32.4" (minutes and seconds), to three decimals: the
// music time in ms, or null.
export function momentOf(text) {
  const m = /^(?:(\d{1,3}):([0-5]\d)|(\d{1,6}))(\.\d{1,3})?$/.exec(text);
  if (!m) return null;
  const seconds = m[3] !== undefined ? Number(m[3]) : Number(m[1]) * 60 + Number(m[2]);
  return Math.round((seconds + Number(m[4] || 0)) * 1000);
}

// m:ss.mmm of a music time, which momentOf reads back.
export function momentText(ms) {
  return `${clockText(ms)}.${String(ms % 1000).padStart(3, '0')}`;
}

export class SeekBar {
  constructor(facts, lettering, actions) {
    this.facts = facts;
    this.lettering = lettering;
    this.actions = actions;
    this.endMs = facts.positionMs[facts.positionMs.length - 1];
    this.events = { beats: [], glitches: [] };
    this.ms = 0;
    this.dragging = null;  // the pointer that drags, and the time it points at
    this.enabled = false;
    this.said = '';
    this.bar = $('seek');
    this.canvas = $('seekCanvas');
    this.bar.setAttribute('aria-valuemax', String(Math.floor(facts.lastMs / 1000)));
    this.bar.addEventListener('pointerdown', (e) => this.grab(e));
    this.bar.addEventListener('pointermove', (e) => this.drag(e));
    this.bar.addEventListener('pointerup', (e) => this.letGo(e));
    this.bar.addEventListener('pointercancel', (e) => this.letGo(e));
    this.bar.addEventListener('keydown', (e) => this.onKey(e));
    this.tell(0);
    this.draw();
  }

  setEvents(events) {
    this.events = events;
    this.draw();
  }

  enable() {
    this.enabled = true;
    this.bar.removeAttribute('aria-disabled');
    this.bar.classList.add('on');
  }

  show(status) {
    if (this.dragging || status.musicMs === this.ms) return;
    this.ms = status.musicMs;
    this.tell(this.ms);
    this.draw();
  }

  // ---- the pointer --------------------------------------------------------------------

  msAt(event) {
    const r = this.canvas.getBoundingClientRect();
    const fraction = Math.min(Math.max((event.clientX - r.left) / r.width, 0), 1);
    return Math.min(Math.round(fraction * this.endMs), this.facts.lastMs);
  }

  grab(event) {
    if (!this.enabled || event.button > 0 || this.dragging) return;
    event.preventDefault();
    this.bar.focus({ preventScroll: true });
    this.bar.setPointerCapture(event.pointerId);
    this.dragging = { pointer: event.pointerId, ms: this.msAt(event) };
    this.actions.hold(true);
    this.pointTo(this.dragging.ms);
  }

  // Each move asks for its moment: the engine makes only the latest one
  // asked for by its next animation frame.
  drag(event) {
    if (!this.dragging || event.pointerId !== this.dragging.pointer) return;
    const ms = this.msAt(event);
    if (ms !== this.dragging.ms) this.pointTo(ms);
  }

  letGo(event) {
    if (!this.dragging || event.pointerId !== this.dragging.pointer) return;
    if (event.type === 'pointerup') this.pointTo(this.msAt(event));
    this.dragging = null;
    this.actions.hold(false);
  }

  pointTo(ms) {
    if (this.dragging) this.dragging.ms = ms;
    this.ms = ms;
    this.actions.seek(ms);
    this.tell(ms);
    this.draw();
  }

  // A slider's keys, as the player's: 5 s, a position, the start, the end.
  onKey(event) {
    if (!this.enabled || event.altKey || event.ctrlKey || event.metaKey) return;
    const keys = { ArrowRight: 'Shift+ArrowRight', ArrowUp: 'Shift+ArrowRight',
                   ArrowLeft: 'Shift+ArrowLeft', ArrowDown: 'Shift+ArrowLeft',
                   PageUp: 'ArrowRight', PageDown: 'ArrowLeft', Home: 'Home' };
    if (event.key === 'End') {
      this.pointTo(this.facts.lastMs);
    } else if (!keys[event.key] || !this.actions.key(keys[event.key])) {
      return;
    }
    event.preventDefault();
    event.stopPropagation();
  }

  // ---- what it shows ------------------------------------------------------------------

  // The time as text beside the bar, in the demo's lettering, and the
  // slider's value for a screen reader, once a second.
  tell(ms) {
    const text = `${clockText(ms)} / ${clockText(this.endMs)}`;
    if (text === this.said) return;
    this.said = text;
    const time = $('time');
    time.dataset.text = text;
    if (this.lettering.sheet) this.lettering.letter(time);
    const { positionMs, sections } = this.facts;
    const position = Math.max(positionMs.findIndex((start) => start > ms) - 1, 0);
    const section = sections.filter((s) => s.first <= position).pop();
    this.bar.setAttribute('aria-valuenow', String(Math.floor(ms / 1000)));
    this.bar.setAttribute('aria-valuetext', `${clockText(ms)} of ${clockText(this.endMs)}, ` +
                          `position ${position}${section ? `, ${section.name}` : ''}`);
  }

  // The bar at the device's own pixels: its positions, the part played, the
  // beats (below) and the mesh's glitches (above), and the moment shown.
  draw() {
    const ratio = window.devicePixelRatio || 1;
    const width = Math.max(1, Math.round(this.canvas.clientWidth * ratio));
    const height = Math.max(1, Math.round(this.canvas.clientHeight * ratio));
    if (this.canvas.width !== width || this.canvas.height !== height) {
      Object.assign(this.canvas, { width, height });
    }
    const c = this.canvas.getContext('2d');
    const x = (ms) => Math.round((ms / this.endMs) * width);
    c.fillStyle = COLOURS.empty;
    c.fillRect(0, 0, width, height);
    c.fillStyle = COLOURS.played;
    c.fillRect(0, 0, x(this.ms), height);
    const firsts = new Set(this.facts.sections.map((s) => s.first));
    this.facts.positionMs.forEach((ms, p) => {
      if (p === 0 || p >= this.facts.positionMs.length - 1) return;
      c.fillStyle = firsts.has(p) ? COLOURS.section : COLOURS.position;
      c.fillRect(x(ms), 0, Math.max(1, Math.round(ratio)), height);
    });
    const tick = Math.max(1, Math.round(ratio));
    c.fillStyle = COLOURS.beat;
    c.globalAlpha = 0.75;
    for (const ms of this.events.beats) c.fillRect(x(ms), Math.round(height * 0.55), tick, height);
    c.fillStyle = COLOURS.glitch;
    for (const ms of this.events.glitches) c.fillRect(x(ms), 0, tick, Math.round(height * 0.3));
    c.globalAlpha = 1;
    c.fillStyle = COLOURS.head;
    c.fillRect(Math.min(x(this.ms), width - 2 * tick) - tick, 0, 2 * tick, height);
  }
}
