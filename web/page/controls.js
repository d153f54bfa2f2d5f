// controls.js - the player's controls on the page: the keys, the buttons
// under the picture, the seek bar (seek-bar.js), the position bar, the key
// notes, full screen and the picture's size.
//
//   const controls = new Controls(engine, lettering, actions)
//       builds the player's buttons (the keys of the engine's table that
//       have one), the seek bar, the position bar (a group of cells a
//       section of the running order, a cell a position) and the key notes
//       from the engine's facts; actions: { play(), playAgain(), canPlay(),
//       ended(), started(), jump(position), seek(ms), hold(on), key(index) }
//   controls.enable()         after Play, or a link's moment before it: the
//                             seek bar takes the pointer; after Play the
//                             buttons and cells take clicks
//   controls.show(status)     the moment, position, loop and pause the engine shows
//   controls.setEvents(e)     the song's beats, for the seek bar
//   fitScreen()               the picture at the largest whole factor that
//                             fits, and the seek bar as wide
// The keys go to the engine by their index in its table (the facts' keys,
// named as the browser names them, "Shift+" before a shifted one); F and
// Alt+Enter are the page's own full-screen keys, and Space plays where the
// Play button waits.
import { SeekBar } from './seek-bar.js';

const $ = (id) => document.getElementById(id);
let fitted = () => {};

export class Controls {
  constructor(engine, lettering, actions) {
    this.facts = engine.facts;
    this.lettering = lettering;
    this.actions = actions;
    this.last = { position: -1, looped: -2, lit: '' };
    this.keyIndex = new Map();
    this.facts.keys.forEach((k, i) => { if (k.name) this.keyIndex.set(k.name, i); });
    this.buildButtons();
    this.seekBar = new SeekBar(this.facts, lettering, {
      seek: (ms) => actions.seek(ms),
      hold: (on) => actions.hold(on),
      key: (name) => this.key(name),
    });
    this.buildPositionBar();
    this.writeKeyNotes();
    fitted = () => this.seekBar.draw();
    document.addEventListener('keydown', (event) => this.onKey(event));
  }

  enable(started = true) {
    this.seekBar.enable();
    if (!started) return;
    for (const button of document.querySelectorAll('#buttons .key, .cell')) button.disabled = false;
  }

  setEvents(events) {
    this.seekBar.setEvents(events);
  }

  // A key by the browser's name for it (a letter in either case, "Shift+"
  // before a shifted one); false if the player has no such key.
  key(name) {
    const index = this.keyIndex.get(name.length === 1 ? name.toLowerCase() : name);
    if (index === undefined) return false;
    if (this.actions.started() && !this.actions.ended()) this.actions.key(index);
    return true;
  }

  onKey(event) {
    if ((event.altKey && event.key === 'Enter') || event.key === 'f' || event.key === 'F') {
      toggleFullScreen();
    } else if (event.key === ' ' && this.actions.canPlay()) {
      this.actions.play();
    } else if (event.key === ' ' && this.actions.ended()) {
      this.actions.playAgain();
    } else if (event.ctrlKey || event.metaKey || event.altKey ||
               !this.key(event.shiftKey && event.key.length > 1 ? `Shift+${event.key}` : event.key)) {
      return;
    }
    event.preventDefault();
  }

  show(status) {
    const { position, looped } = status;
    this.seekBar.show(status);
    if (position !== this.last.position) {
      for (const cell of document.querySelectorAll('.cell')) {
        cell.classList.toggle('lit', Number(cell.dataset.position) === position);
      }
      for (const scene of document.querySelectorAll('.scene')) {
        scene.classList.toggle('current', position >= Number(scene.dataset.from) &&
                                          position <= Number(scene.dataset.to));
      }
      this.last.position = position;
    }
    if (looped !== this.last.looped) {
      for (const cell of document.querySelectorAll('.cell')) {
        cell.classList.toggle('looped', Number(cell.dataset.position) === looped);
      }
      this.last.looped = looped;
    }
    // Each button that shows a state of the player's shows it pressed.
    const lit = this.facts.keys.map((k) => (k.lit ? status[k.lit] : 0)).join();
    if (lit !== this.last.lit) {
      this.facts.keys.forEach((k, i) => {
        if (k.button && k.lit) $(`key${i}`).setAttribute('aria-pressed', String(status[k.lit] === 1));
      });
      this.last.lit = lit;
    }
  }

  // The player's buttons, before the page's own (full screen): the keys of
  // its table that have one, each pressing its key.
  buildButtons() {
    const full = $('full');
    this.facts.keys.forEach((k, i) => {
      if (!k.button) return;
      const button = document.createElement('button');
      Object.assign(button, { id: `key${i}`, type: 'button', className: 'key', disabled: true,
                              textContent: k.button, title: `${k.what} (${k.label})` });
      if (k.lit) button.setAttribute('aria-pressed', 'false');
      button.addEventListener('click', () => this.actions.key(i));
      full.before(button);
    });
  }

  // The keys' notes under the picture, from the player's table, and the
  // page's own full-screen key; a note never breaks inside.
  writeKeyNotes() {
    const notes = this.facts.keys.filter((k) => k.name).map((k) => [k.label, k.what]);
    notes.push(['F', 'full screen']);
    const line = $('keys');
    line.replaceChildren();
    notes.forEach(([label, what], i) => {
      const note = document.createElement('span');
      note.className = 'note';
      const kbd = document.createElement('kbd');
      kbd.textContent = label;
      note.append(kbd, ` ${what}`);
      line.append(...(i > 0 ? [' \u00b7 '] : []), note);
    });
  }

  // The running order: a group of cells a section, one cell a position, up
  // to the position that ends the demo.
  buildPositionBar() {
    const { sections, endPosition: end } = this.facts;
    const bar = $('positions');
    bar.replaceChildren();
    sections.forEach((section, i) => {
      const from = section.first;
      if (from >= end) return;
      const to = (i + 1 < sections.length ? sections[i + 1].first : end) - 1;
      const group = document.createElement('div');
      group.className = 'scene';
      group.dataset.from = from;
      group.dataset.to = to;
      const cells = document.createElement('div');
      cells.className = 'cells';
      for (let p = from; p <= to; ++p) {
        const cell = document.createElement('button');
        cell.type = 'button';
        cell.className = 'cell';
        cell.dataset.position = p;
        cell.textContent = String(p).padStart(2, '0');
        cell.title = `${section.name}, position ${p}`;
        cell.disabled = !this.actions.started();
        cell.addEventListener('click', () => this.actions.jump(p));
        cells.appendChild(cell);
      }
      const name = document.createElement('canvas');
      name.className = 'lettering name';
      name.dataset.text = section.name.toUpperCase();
      name.dataset.scale = '1';
      group.append(cells, name);
      bar.appendChild(group);
    });
    this.lettering.letterAll(bar);
    fitScreen();
  }
}

export function toggleFullScreen() {
  if (document.fullscreenElement) {
    document.exitFullscreen();
  } else if ($('stage').requestFullscreen) {
    $('stage').requestFullscreen().catch(() => {});
  }
}

// The largest whole factor that fits, pixels kept sharp; a window narrower
// than the picture gets it scaled down to its width (seeing all of it
// matters more than sharp pixels then). Returns the scale.
export function fitScreen() {
  const stage = $('stage');
  const { width: screenWidth, height: screenHeight } = $('screen');
  const full = document.fullscreenElement === stage;
  // The notes may fall below the fold; the picture and the bar may not.
  const reserved = full ? 0 : $('masthead').offsetHeight + $('controls').offsetHeight + 64;
  const width = full ? window.innerWidth : window.innerWidth - 40;
  const height = window.innerHeight - reserved;
  const whole = Math.floor(Math.min(width / screenWidth, height / screenHeight));
  // The room beside a scaled-down picture: the page's padding and the
  // stage's border (page.css, narrow windows), the scroll bar left out.
  const room = full ? window.innerWidth : document.documentElement.clientWidth - 12;
  const scale = whole >= 1 ? whole : Math.max(Math.min(room / screenWidth, 1), 0.1);
  $('screen').style.width = `${screenWidth * scale}px`;
  $('screen').style.height = `${screenHeight * scale}px`;
  $('seekbar').style.width = `${screenWidth * scale}px`;
  fitted();
  return scale;
}
