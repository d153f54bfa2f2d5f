// page.js - the page around the demo: downloads its files (loading.js),
// starts its engine (engine.js), plays it on the browser's animation frames
// with its sound (sound.js) and its controls (controls.js), and says what
// goes wrong.
//
// The order: files.json; the engine's module, whose facts say the rest (the
// font, the screen, the keys); the font, which letters the page and the
// demo's own loading screen; every other file, counted on that screen's
// bar; the demo's start-up; the song decoder's worker started and handed
// the song; then the Play button, since a browser starts sound only after a
// gesture. Whatever fails (a file, the module, a file the engine cannot start
// with) ends in the CANNOT PLAY panel, which names the file and why; a
// download that failed or stalled may be tried again, and only what is
// missing is downloaded again. The lines about a demo that plays on (no
// music) stand under the picture.
//
// A link to a moment, "#t=92.4" (seconds) or "#t=1:32.4": the picture
// before Play is that moment's frame, and Play starts picture and sound
// there; while paused the address follows the moment shown, so that copying
// it shares it. A moment the demo does not have is said under the picture
// and otherwise ignored.
//
// document.body.dataset.state: loading, ready, playing, ended or failed.
import { Controls, fitScreen, toggleFullScreen } from './controls.js';
import { momentOf, momentText } from './seek-bar.js';
import { Engine } from './engine.js';
import { Lettering } from './lettering.js';
import { DECODER_WASM, Files, megabytes, PROGRAM_SCRIPT, PROGRAM_WASM, startModule }
  from './loading.js';
import { Sound } from './sound.js';

const $ = (id) => document.getElementById(id);
// How long a download may get no byte before it counts as stalled.
const STALL_MS = 20000;

const files = new Files(STALL_MS);
const lettering = new Lettering();
const screen = $('screen').getContext('2d');
const page = { engine: null, sound: null, controls: null, pixels: null, picture: -1,
               started: false, ended: false, cued: false, cueHeld: null, address: '' };

function setState(state) {
  document.body.dataset.state = state;
}

// ---- failures and problems ------------------------------------------------------------

// The panel names the file and why, over the picture, with its title in the
// demo's lettering; a download that failed may be tried again.
function fail(why, canRetry = false) {
  for (const id of ['play', 'again']) $(id).classList.add('hidden');
  $('veil').classList.remove('gone');
  $('failure').classList.remove('hidden');
  $('failureWhy').textContent = why;
  $('retry').classList.toggle('hidden', !canRetry);
  $('problems').classList.add('hidden');  // the panel says what matters now
  if (!lettering.sheet) lettering.giveUp();
  setState('failed');
  if (canRetry) $('retry').focus({ preventScroll: true });
}

// The engine's problem lines, as the desktop prints them, under the picture.
function showProblems(engine) {
  const shown = $('problems');
  shown.textContent = engine.problems.join('\n');
  shown.classList.remove('hidden');
}

// ---- the picture ----------------------------------------------------------------------

// Before the engine runs: the download's note alone, centred.
function drawNote(note) {
  const { width, height } = $('screen');
  screen.fillStyle = '#000';
  screen.fillRect(0, 0, width, height);
  screen.fillStyle = '#8fc878';
  screen.font = '9px monospace';
  screen.textAlign = 'center';
  screen.fillText(note, width / 2, height / 2);
}

function paint(status) {
  if (status.picture === page.picture) return;
  page.picture = status.picture;
  page.pixels.data.set(page.engine.picture());
  screen.putImageData(page.pixels, 0, 0);
}

// After every call into the engine: its status, shown, and its orders to
// the second processor passed on.
function afterCall() {
  const status = page.engine.status();
  page.sound?.follow();
  paint(status);
  page.controls?.show(status);
  if (status.paused && status.frame >= 0) followInAddress(status.musicMs);
  return status;
}

// ---- a link to a moment ---------------------------------------------------------------

// The moment the address names, or null (with a line, if it names one the
// demo does not have).
function momentInAddress() {
  const t = /^#t=(.*)$/.exec(decodeURIComponent(location.hash));
  if (!t) return null;
  const ms = momentOf(t[1]);
  const { lastMs } = page.engine.facts;
  if (ms === null) {
    page.engine.problem(`#t=${t[1]} is not a moment of the demo (give seconds, 92.4, or ` +
                        'minutes and seconds, 1:32.4): playing from the start');
  } else if (ms > lastMs) {
    page.engine.problem(`#t=${t[1]} is past the demo's last frame, at ${momentText(lastMs)}: ` +
                        'playing from the start');
  }
  return ms !== null && ms <= lastMs ? ms : null;
}

function followInAddress(ms) {
  const address = `#t=${momentText(ms)}`;
  if (address === page.address) return;
  page.address = address;
  history.replaceState(null, '', address);
}

// Before Play, the player waits at the moment (its frame is on the picture);
// after it, the moment is a seek.
function goToMoment(ms) {
  if (page.started) {
    actions.seek(ms);
  } else if (page.engine.command('cue', ms)) {
    page.cued = true;
    page.controls.enable(false);
    afterCall();
  }
}

// ---- loading --------------------------------------------------------------------------

async function startEngine() {
  const module = await startModule(files, (line) => console.log(line));
  const engine = new Engine(module, (why) => fail(why));
  engine.onProblem = () => showProblems(engine);
  const { width, height } = engine.facts.screen;
  Object.assign($('screen'), { width, height });
  page.pixels = screen.createImageData(width, height);
  fitScreen();
  return engine;
}

// The files the engine reads, into its file system, once.
function writeFiles() {
  page.written = page.written || new Set([PROGRAM_SCRIPT, PROGRAM_WASM, DECODER_WASM]);
  for (const f of files.listed) {
    if (page.written.has(f.name) || !files.get(f.name)) continue;
    if (!page.engine.writeFile(f.name, files.get(f.name))) return false;
    page.written.add(f.name);
  }
  return true;
}

function showProgress(got, total) {
  const note = `${megabytes(got)} OF ${megabytes(total)} MB`;
  if (!page.engine || !lettering.sheet) {
    drawNote(note);
  } else if (page.engine.showDownload(got / total, note)) {
    afterCall();
  }
}

// Downloads what is missing and starts the demo.
async function load() {
  setState('loading');
  $('failure').classList.add('hidden');
  $('veil').classList.add('gone');
  const attempt = new AbortController();
  const download = (names) => files.download(names, attempt.signal, showProgress);
  try {
    await files.list(attempt.signal);
    await download([PROGRAM_SCRIPT, PROGRAM_WASM]);
  } catch (e) {
    attempt.abort();  // what else is still coming
    fail(e.message, true);
    return;
  }
  if (!page.engine) {
    try {
      page.engine = await startEngine();
    } catch (e) {
      fail(e.message);
      return;
    }
  }
  const font = page.engine.facts.font.file;
  try {
    await download([font]);
    if (!lettering.sheet) await lettering.load(files.get(font), page.engine.facts.font);
  } catch (e) {
    attempt.abort();
    fail(e.message, true);
    return;
  }
  if (!writeFiles()) return;
  if (!page.controls) page.controls = new Controls(page.engine, lettering, actions);
  try {
    await download(files.listed.map((f) => f.name));
  } catch (e) {
    attempt.abort();
    fail(e.message, true);
    return;
  }
  if (!writeFiles() || !page.engine.startUp()) return;
  // The decoder's worker, handed its module and the song, which the page
  // keeps no longer once the engine has the song in its files.
  page.sound = new Sound(page.engine, { name: DECODER_WASM, bytes: files.take(DECODER_WASM) },
                         files.take(page.engine.facts.song));
  page.controls.setEvents(page.engine.syncEvents());
  const moment = momentInAddress();
  if (moment !== null) goToMoment(moment);
  afterCall();
  await page.sound.ready;
  $('veil').classList.remove('gone');
  $('play').classList.remove('hidden');
  if (!(window.AudioContext || window.webkitAudioContext)) $('noSound').classList.remove('hidden');
  $('play').focus({ preventScroll: true });
  setState('ready');
}

// ---- playing --------------------------------------------------------------------------

function tick(now) {
  const [heardSeconds, heardAtMs] = page.sound.timing(now);
  if (!page.engine.frame(now, heardSeconds, heardAtMs)) return;
  const status = afterCall();
  if (status.ended) {
    page.ended = true;
    setState('ended');
    $('veil').classList.remove('gone');
    $('again').classList.remove('hidden');
    $('again').focus({ preventScroll: true });
    return;
  }
  requestAnimationFrame(tick);
}

async function play() {
  if (page.started) return;
  page.started = true;
  const withSound = await page.sound.play();
  $('play').classList.add('hidden');
  $('veil').classList.add('gone');
  page.controls.enable(true);
  if (!page.engine.command('play', withSound ? 1 : 0)) return;
  afterCall();
  setState('playing');
  requestAnimationFrame(tick);
}

function playAgain() {
  if (!page.ended) return;
  page.ended = false;
  $('again').classList.add('hidden');
  $('veil').classList.add('gone');
  if (!page.engine.command('again')) return;
  afterCall();
  setState('playing');
  requestAnimationFrame(tick);
}

const actions = {
  play,
  playAgain,
  canPlay: () => !page.started && !$('play').classList.contains('hidden'),
  started: () => page.started,
  ended: () => page.ended,
  jump(position) {
    if (!page.started) return;
    if (page.ended) playAgain();
    if (page.engine.command('jump', position)) afterCall();
  },
  // Before Play (the bar is on where a link cued a moment) a drag moves the
  // moment only where it is let go: a cue's frame is made at once.
  seek(ms) {
    if (!page.started) {
      if (page.cueHeld) page.cueHeld = { ms };
      else if (page.cued) goToMoment(ms);
      return;
    }
    if (page.ended) playAgain();
    if (page.engine.command('seek', ms)) afterCall();
  },
  hold(on) {
    if (!page.started) {
      const held = page.cueHeld;
      page.cueHeld = on ? {} : null;
      if (!on && held && held.ms !== undefined) goToMoment(held.ms);
    } else if (page.engine.command('hold', on ? 1 : 0)) {
      afterCall();
    }
  },
  key(index) {
    if (page.engine.command('key', index)) afterCall();
  },
};

// A hidden or frozen page gets no animation frames: picture and sound pause
// at once, and go on together when it is shown again.
function hide() {
  if (!page.started || page.ended) return;
  if (page.engine.command('hide')) afterCall();
  page.sound.pause();
}

function show() {
  if (!page.started || page.ended) return;
  page.sound.resume();
  if (page.engine.command('show')) afterCall();
}

function main() {
  setState('loading');
  fitScreen();
  window.addEventListener('resize', fitScreen);
  document.addEventListener('fullscreenchange', fitScreen);
  $('play').addEventListener('click', play);
  $('again').addEventListener('click', playAgain);
  $('retry').addEventListener('click', load);
  $('full').addEventListener('click', toggleFullScreen);
  document.addEventListener('visibilitychange', () => (document.hidden ? hide() : show()));
  // An address typed or a link followed on the open page.
  window.addEventListener('hashchange', () => {
    if (!page.sound || page.ended) return;
    const moment = momentInAddress();
    if (moment !== null) goToMoment(moment);
  });
  document.addEventListener('freeze', hide);
  // A page woken from freezing may still be hidden: it goes on when shown.
  document.addEventListener('resume', () => document.hidden || show());
  if (typeof WebAssembly !== 'object' || typeof WebAssembly.instantiate !== 'function') {
    fail('This browser cannot run WebAssembly, which the demo is compiled to. ' +
         'Any current Firefox, Chrome, Edge or Safari can.');
    return;
  }
  load();
}

main();
