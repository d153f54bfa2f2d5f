// The page around the demo: downloads its files, starts the WebAssembly
// module, plays it on the browser's animation frames with sound from a Web
// Audio callback, and offers the player's keys, a position bar and buttons.
//
// Test hooks (the page's own tests and benchmark use them), each rendering
// offline as capture does and writing lines into #output, then setting
// document.body.dataset.state to "done":
//   ?hashes=MS,MS,...[&fps=RATE]  "n ms position row hash" lines, as
//                                  capture --hashes - --at MS,... --fps RATE
//   ?soundsum=SECONDS              "sound SECONDS s HASH": FNV-1a 64 of the
//                                  first seconds of decoded sound
//   ?bench                         the whole demo timed a frame at a time
// and one that changes what the page waits for:
//   ?stall=MS                      a download that gets no byte for MS
//                                  milliseconds has stalled (20000 without it)
'use strict';

const WIDTH = 320;
const HEIGHT = 240;
const SOUND_FRAMES = 2048;  // a Web Audio callback's frames: 46 ms
// A picture painted now is seen about a display frame later. The player
// shows the frame due half a frame of its schedule after that: the frame
// seen is then the one nearest in time to the sound heard, not the last one
// begun.
const DISPLAY_MS = 16;
const LEAD_MS = DISPLAY_MS + 8;

// The module's own files, downloaded with the assets (files.json lists them
// all) but not written into its file system.
const PROGRAM_SCRIPT = 'ondrivale.js';
const PROGRAM_WASM = 'ondrivale.wasm';
const FONT = 'data/font.png';

const $ = (id) => document.getElementById(id);
const params = new URLSearchParams(location.search);
// How long a download may get no byte before it counts as stalled.
const STALL_MS = Number(params.get('stall')) > 0 ? Number(params.get('stall')) : 20000;
const page = { module: null, font: null, audio: null, started: false, ended: false,
               lastPosition: -1, lastLoop: -2, lastPaused: null, printed: [], problems: [],
               listed: null, files: new Map(),
               // What the output played (heardSpan) and how often it ran dry.
               spans: [], underruns: 0,
               // Each new picture's music time less the music heard as it is
               // seen, in ms (tests and benches read them).
               gaps: [], paints: 0 };

// ---- lettering: the demo's own bitmap font, from data/font.png ----------------------

// 8 x 9 cells, 16 a row, characters 32 to 102, drawn 7 pixels apart;
// magenta is transparent.
async function fontSheet(bytes) {
  let image;
  try {
    image = await createImageBitmap(new Blob([bytes], { type: 'image/png' }));
  } catch (e) {
    throw new Error(`${FONT} is not a picture this browser can read`);
  }
  const sheet = document.createElement('canvas');
  sheet.width = image.width;
  sheet.height = image.height;
  const context = sheet.getContext('2d');
  context.drawImage(image, 0, 0);
  const pixels = context.getImageData(0, 0, sheet.width, sheet.height);
  const d = pixels.data;
  for (let i = 0; i < d.length; i += 4) {
    if (d[i] > 240 && d[i + 1] < 16 && d[i + 2] > 240) d[i + 3] = 0;
  }
  context.putImageData(pixels, 0, 0);
  return sheet;
}

function drawGlyph(context, character, x, y) {
  const code = character.charCodeAt(0) - 32;
  if (code < 0 || code > 70) return;
  context.drawImage(page.font, (code % 16) * 8, Math.floor(code / 16) * 9, 8, 9, x, y, 8, 9);
}

// The loading screen while the files come. Once the module runs (its files
// come first), it is the demo's own, its bar filled with the bytes and the
// note under it; before that, the note alone, centred.
function drawLoadingScreen(fraction, note) {
  const m = page.module;
  if (m) {
    try {
      withString(m, note, (n) => m._webShowDownload(Math.floor(fraction * 1000), n));
    } catch (e) {
      throw new Error(engineFailure(e));  // a font the demo cannot read
    }
    paint();
    return;
  }
  screenContext.fillStyle = '#000';
  screenContext.fillRect(0, 0, WIDTH, HEIGHT);
  if (!page.font) return;
  const x = Math.floor((WIDTH - 7 * note.length) / 2);
  for (let i = 0; i < note.length; ++i) drawGlyph(screenContext, note[i], x + 7 * i, 116);
}

// The height follows the width (page.css), so that lettering wider than a
// small window shrinks with it.
function letter(canvas, text, scale) {
  const advance = 7;
  canvas.width = Math.max(1, text.length * advance + 1);
  canvas.height = 9;
  canvas.style.width = `${canvas.width * scale}px`;
  const context = canvas.getContext('2d');
  context.clearRect(0, 0, canvas.width, canvas.height);
  for (let i = 0; i < text.length; ++i) drawGlyph(context, text[i], i * advance, 0);
}

// Without the font (it is what failed to come) the lettering is plain text.
function plainLettering(canvas) {
  if (canvas.classList.contains('hidden')) return;  // shown only while seeking, with the font
  if (canvas.nextElementSibling && canvas.nextElementSibling.classList.contains('plain')) return;
  const text = document.createElement('span');
  text.className = 'plain';
  text.textContent = canvas.dataset.text;
  canvas.classList.add('unlettered');
  canvas.after(text);
}

function letterAll(root) {
  for (const canvas of root.querySelectorAll('canvas.lettering')) {
    if (page.font) {
      letter(canvas, canvas.dataset.text, Number(canvas.dataset.scale || 1));
      const plain = canvas.nextElementSibling;
      if (plain && plain.classList.contains('plain')) plain.remove();
      canvas.classList.remove('unlettered');
    } else if (!page.fontLoading) {
      plainLettering(canvas);
    }
  }
}

// ---- failures -------------------------------------------------------------------------

// The panel names the file and why, over the picture, with its title in the
// demo's lettering; a download that failed may be tried again.
function fail(why, canRetry = false) {
  for (const id of ['play', 'again']) $(id).classList.add('hidden');
  $('veil').classList.remove('gone');
  $('failure').classList.remove('hidden');
  $('failureWhy').textContent = why;
  $('retry').classList.toggle('hidden', !canRetry);
  letterAll($('failure'));
  document.body.dataset.state = 'failed';
  output(`failed: ${why}`);
  if (canRetry) $('retry').focus();
}

function output(line) {
  page.printed.push(line);
  const out = $('output');
  out.textContent += `${line}\n`;
}

// The engine's problem lines, as the desktop prints them: shown beside the
// Play button (a demo without music still plays, silently).
function problem(line) {
  page.problems.push(line);
  output(line);
  const shown = $('problems');
  shown.textContent = page.problems.join('\n');
  shown.classList.remove('hidden');
}

// The engine ends on a bad asset with one problem line and exit status 1.
function engineFailure(error) {
  if (error && error.name === 'ExitStatus') {
    return page.problems[page.problems.length - 1] || `the demo stopped with status ${error.status}`;
  }
  return `the demo stopped: ${error && error.message ? error.message : error}`;
}

// ---- downloading ------------------------------------------------------------------------

const megabytes = (bytes) => (bytes / 1e6).toFixed(1);

// The whole file, or an error naming it and why: the HTTP status, the
// network's reason, or a stall (no byte for STALL_MS). `stop` ends it early.
async function fetchBytes(url, onBytes, stop) {
  const abort = new AbortController();
  let stalled = false;
  let timer = 0;
  let got = 0;
  const watch = () => {
    clearTimeout(timer);
    timer = setTimeout(() => { stalled = true; abort.abort(); }, STALL_MS);
  };
  const stopped = () => abort.abort();
  if (stop) stop.addEventListener('abort', stopped);
  const why = (e) => (stalled
    ? new Error(`${url} stalled: nothing came for ${STALL_MS / 1000} s, ` +
                `after ${megabytes(got)} MB of it`)
    : new Error(`cannot download ${url}: ${e.message}`));
  try {
    watch();
    let response;
    try {
      response = await fetch(url, { signal: abort.signal });
    } catch (e) {
      throw why(e);
    }
    if (!response.ok) {
      throw new Error(`cannot download ${url}: ${response.status} ${response.statusText}`);
    }
    const reader = response.body.getReader();
    const parts = [];
    for (;;) {
      watch();
      let chunk;
      try {
        chunk = await reader.read();
      } catch (e) {
        throw why(e);
      }
      if (chunk.done) break;
      parts.push(chunk.value);
      got += chunk.value.length;
      onBytes(chunk.value.length);
    }
    const bytes = new Uint8Array(got);
    let at = 0;
    for (const p of parts) { bytes.set(p, at); at += p.length; }
    return bytes;
  } finally {
    clearTimeout(timer);
    if (stop) stop.removeEventListener('abort', stopped);
  }
}

// These of the listed files that are not yet here, at once; the loading bar
// counts the bytes of all listed files. A file that came whole stays for a
// try again.
async function downloadFiles(files, stop) {
  const total = page.listed.reduce((sum, f) => sum + f.bytes, 0);
  let got = page.listed.reduce((sum, f) => sum + (page.files.has(f.name) ? f.bytes : 0), 0);
  const progress = (n) => {
    got += n;
    drawLoadingScreen(got / total, `${megabytes(got)} OF ${megabytes(total)} MB`);
  };
  progress(0);
  await Promise.all(files.filter((f) => !page.files.has(f.name)).map(async (f) => {
    const bytes = await fetchBytes(f.name, progress, stop);
    if (bytes.length !== f.bytes) {
      throw new Error(`${f.name} is ${bytes.length} bytes, not the ${f.bytes} it should be`);
    }
    page.files.set(f.name, bytes);
  }));
}

// The font first (1.5 kB): the page's lettering and the loading bar are drawn
// with it. Without it the lettering falls back to plain text.
async function loadFont(stop) {
  if (page.font) return;
  page.fontLoading = true;
  try {
    const bytes = page.files.get(FONT) || await fetchBytes(FONT, () => {}, stop);
    page.font = await fontSheet(bytes);
    page.files.set(FONT, bytes);
  } finally {
    page.fontLoading = false;
    letterAll(document);
    fitScreen();
  }
}

async function listFiles(stop) {
  if (page.listed) return;
  const bytes = await fetchBytes('files.json', () => {}, stop);
  try {
    page.listed = JSON.parse(new TextDecoder().decode(bytes));
  } catch (e) {
    throw new Error(`files.json is not a list of the demo's files: ${e.message}`);
  }
}

// Runs the downloaded script, which defines OndrivaleModule.
function runScript(name, bytes) {
  return new Promise((resolve, reject) => {
    const url = URL.createObjectURL(new Blob([bytes], { type: 'text/javascript' }));
    const script = document.createElement('script');
    script.src = url;
    script.onload = () => { URL.revokeObjectURL(url); resolve(); };
    script.onerror = () => { URL.revokeObjectURL(url); reject(new Error(`${name} cannot be run`)); };
    document.head.appendChild(script);
  });
}

// ---- the module ------------------------------------------------------------------------

async function startModule() {
  await runScript(PROGRAM_SCRIPT, page.files.get(PROGRAM_SCRIPT));
  if (typeof OndrivaleModule !== 'function') {
    throw new Error(`${PROGRAM_SCRIPT} does not hold the demo's module`);
  }
  let aborted = '';
  let module;
  try {
    module = await OndrivaleModule({
      wasmBinary: page.files.get(PROGRAM_WASM),
      print: (line) => { output(line); },
      printErr: (line) => { console.warn(line); },
      onProblem: problem,
      onAbort: (what) => { aborted = String(what); },
    });
  } catch (e) {
    throw new Error(`${PROGRAM_WASM} cannot run in this browser: ${aborted || e.message}`);
  }
  module.FS.mkdir('data');
  return module;
}

// The downloaded files the demo reads, into the module's file system.
function writeFiles(module) {
  page.written = page.written || new Set();
  for (const [name, bytes] of page.files) {
    if (name === PROGRAM_SCRIPT || name === PROGRAM_WASM || page.written.has(name)) continue;
    module.FS.writeFile(name, bytes);
    page.written.add(name);
  }
}

function withString(module, text, use) {
  const size = module.lengthBytesUTF8(text) + 1;
  const at = module._malloc(size);
  module.stringToUTF8(text, at, size);
  try { return use(at); } finally { module._free(at); }
}

// ---- picture and sound ----------------------------------------------------------------

const screenContext = $('screen').getContext('2d');
const screenPixels = screenContext.createImageData(WIDTH, HEIGHT);

function paint() {
  const at = page.module._webScreen();
  screenPixels.data.set(page.module.HEAPU8.subarray(at, at + WIDTH * HEIGHT * 4));
  screenContext.putImageData(screenPixels, 0, 0);
}

// The sound goes out through an AudioWorklet (sound-worklet.js) on the
// browser's audio thread, fed with decoded blocks a few hundred milliseconds
// ahead, so that a slow picture frame does not starve it; the worklet says
// when each stretch of the song was output, and the page's clock counts the
// sound heard from that. Where the browser has no worklets (a page served
// without https, an old browser), a ScriptProcessor callback on the page's
// own thread decodes each block as it is asked for.
const FEED_FRAMES = 2048;
const QUEUED_FRAMES = 0.5 * 44100;

function copyOut(left, right, from, frames) {
  const samples = page.module.HEAP16;
  for (let i = 0; i < frames; ++i) {
    left[i] = samples[from + 2 * i] / 32768;
    right[i] = samples[from + 2 * i + 1] / 32768;
  }
}

// What the listener hears: spans of output, [at, frames, soundFrames,
// generation, sample] (see sound-worklet.js), kept for a few seconds.
function heardSpan(span) {
  page.spans.push(span);
  if (page.spans.length > 1024) page.spans.splice(0, 512);
}

// Decoded sound, as much as the worklet should hold.
function feed() {
  const sound = page.sound;
  if (!sound || sound.kind !== 'worklet' || !page.started) return;
  const m = page.module;
  const generation = m._webSoundGeneration();
  if (generation !== sound.generation) {
    sound.node.port.postMessage({ kind: 'flush' });
    sound.generation = generation;
    sound.posted = [];
    sound.reportedQueued = 0;
  }
  let queued = sound.reportedQueued + sound.posted.reduce((sum, p) => sum + p.frames, 0);
  while (queued < QUEUED_FRAMES) {
    const from = m._webSound(FEED_FRAMES, -1) >> 1;
    const frames = m._webSoundFrames();
    if (frames === 0) break;
    const left = new Float32Array(frames);
    const right = new Float32Array(frames);
    copyOut(left, right, from, frames);
    const sequence = ++sound.sequence;
    sound.node.port.postMessage({ kind: 'sound', left, right, sample: m._webSoundSample(),
                                  generation, sequence }, [left.buffer, right.buffer]);
    sound.posted.push({ sequence, frames });
    queued += frames;
  }
}

function onPlayed(message) {
  const sound = page.sound;
  sound.posted = sound.posted.filter((p) => p.sequence > message.sequence);
  sound.reportedQueued = message.queued;
  page.underruns = message.underruns;
  for (const span of message.spans) {
    heardSpan(span);
    if (span[3] === sound.generation && span[2] > 0) page.module._webSoundHeard(span[0], span[2]);
  }
  feed();
}

// The fallback: each callback decodes its block. The output plays the blocks
// back to back; the callback's playbackTime only jitters around that, except
// where a callback came too late and the output played silence meanwhile.
function handOver(out, playbackTime) {
  const m = page.module;
  const duration = out.length / 44100;
  const sound = page.sound;
  let at = playbackTime;
  if (sound.nextAt > 0 && at < sound.nextAt + duration / 2) {
    at = sound.nextAt;
  } else if (sound.nextAt > 0) {
    ++page.underruns;
  }
  sound.nextAt = at + duration;
  const left = out.getChannelData(0);
  const right = out.getChannelData(1);
  const from = m._webSound(out.length, at) >> 1;
  copyOut(left, right, from, out.length);
  const frames = m._webSoundFrames();
  heardSpan([at, out.length, frames, m._webSoundGeneration(), m._webSoundSample()]);
}

// The browser's sound, on a worklet where it can; false if it has none.
async function startSound() {
  const Context = window.AudioContext || window.webkitAudioContext;
  if (!Context) return false;
  let audio;
  try {
    audio = new Context({ sampleRate: 44100 });
  } catch (e) {
    return false;
  }
  audio.resume();
  if (audio.audioWorklet && typeof AudioWorkletNode === 'function' && !params.has('scriptsound')) {
    try {
      await audio.audioWorklet.addModule('sound-worklet.js');
      const node = new AudioWorkletNode(audio, 'ondrivale-sound', { numberOfInputs: 0,
                                                                    outputChannelCount: [2] });
      node.port.onmessage = (event) => onPlayed(event.data);
      node.connect(audio.destination);
      page.sound = { kind: 'worklet', node, generation: -1, sequence: 0, posted: [],
                     reportedQueued: 0 };
      page.audio = { context: audio, node };
      setInterval(feed, 20);
      return true;
    } catch (e) {
      console.warn(`no sound worklet (${e.message}): the sound is decoded on the page's thread`);
    }
  }
  const node = audio.createScriptProcessor(SOUND_FRAMES, 0, 2);
  page.sound = { kind: 'script', node, nextAt: 0 };
  node.onaudioprocess = (event) => handOver(event.outputBuffer, event.playbackTime);
  node.connect(audio.destination);
  page.audio = { context: audio, node };
  return true;
}

// Which second of the output's clock is heard at `nowMs` of the page's:
// [seconds, nowMs], or [-1, nowMs] without sound. The browser's output
// timestamp says when a sample reaches the listener, its latency included;
// where it says nothing, the context's time less the latency it reports.
function outputTiming(nowMs) {
  const audio = page.audio && page.audio.context;
  if (!audio || audio.state !== 'running') return [-1, nowMs];
  const stamp = audio.getOutputTimestamp ? audio.getOutputTimestamp() : null;
  if (stamp && stamp.performanceTime > 0 && stamp.contextTime > 0) {
    return [stamp.contextTime, stamp.performanceTime];
  }
  const latency = (audio.outputLatency || 0) + (audio.baseLatency || 0);
  return [Math.max(audio.currentTime - latency, 0), performance.now()];
}

// The song's stereo sample heard at `nowMs` of the page's clock; -1 where
// silence is heard. For tests and benches: what the listener hears, told
// apart from what the player shows.
function heardSample(nowMs) {
  const [seconds, atMs] = outputTiming(nowMs);
  if (seconds < 0) return -1;
  const t = seconds + (nowMs - atMs) / 1000;
  for (let i = page.spans.length - 1; i >= 0; --i) {
    const [at, , soundFrames, , sample] = page.spans[i];
    if (at > t) continue;
    const into = Math.floor((t - at) * 44100);
    return into < soundFrames && sample >= 0 ? sample + into : -1;
  }
  return -1;
}

// ---- the player ---------------------------------------------------------------------------

function tick(now) {
  // A jump runs the frames before its target first; the label gets one
  // animation frame to be seen before that work holds the page.
  if (page.seeking === 'asked') {
    page.seeking = 'shown';
    requestAnimationFrame(tick);
    return;
  }
  feed();
  const [heardSeconds, heardAtMs] = outputTiming(now);
  const result = page.module._webFrame(now, heardSeconds, heardAtMs);
  feed();
  if (page.seeking) {
    page.seeking = null;
    $('seeking').classList.add('hidden');
  }
  if (result >= 1) {
    paint();
    ++page.paints;
    const seen = performance.now() + DISPLAY_MS;
    const heard = heardSample(seen);
    if (heard >= 0) page.gaps.push({ at: seen, ms: page.module._webMusicMs() - heard / 44.1 });
    if (page.gaps.length > 8192) page.gaps.splice(0, 4096);
    if (!page.firstFrameMs) page.firstFrameMs = performance.now();
    if (page.jumpAskedMs && !page.jumpShownMs) page.jumpShownMs = performance.now();
  }
  showState();
  if (result === 2) {
    page.ended = true;
    $('veil').classList.remove('gone');
    $('again').classList.remove('hidden');
    $('again').focus();
    return;
  }
  requestAnimationFrame(tick);
}

async function play() {
  if (page.started) return;
  page.started = true;
  const withSound = await startSound();
  $('play').classList.add('hidden');
  $('veil').classList.add('gone');
  for (const id of ['pause', 'loop', 'overlay']) $(id).disabled = false;
  for (const cell of document.querySelectorAll('.cell')) cell.disabled = false;
  page.module._webPlay(withSound ? 1 : 0, LEAD_MS);
  requestAnimationFrame(tick);
}

function playAgain() {
  if (!page.ended) return;
  page.ended = false;
  $('again').classList.add('hidden');
  $('veil').classList.add('gone');
  askedForJump();
  page.module._webRestart();
  requestAnimationFrame(tick);
}

function askedForJump() {
  page.jumpAskedMs = performance.now();
  page.jumpShownMs = 0;
  if (page.module._webJumpsAreInstant()) return;
  page.seeking = 'asked';
  $('seeking').classList.remove('hidden');
}

// A key by the browser's name for it, through the player's own table; false
// if the player has no such key.
function key(name) {
  if (!page.module) return false;
  const known = withString(page.module, name, (n) => page.module._webKey(n)) === 1;
  if (!known || !page.started || page.ended) return known;
  if (page.module._webJumpPending()) askedForJump();
  showState();
  return true;
}

// The keys' notes under the picture, from the player's table, and the page's
// own full-screen key.
function writeKeyNotes() {
  const m = page.module;
  const notes = [];
  for (let i = 0; i < m._webKeyCount(); ++i) {
    if (!m._webKeyName(i)) continue;
    const kbd = document.createElement('kbd');
    kbd.textContent = m.UTF8ToString(m._webKeyLabel(i));
    notes.push([kbd, ` ${m.UTF8ToString(m._webKeyWhat(i))}`]);
  }
  const full = document.createElement('kbd');
  full.textContent = 'F';
  notes.push([full, ' full screen']);
  const line = $('keys');
  line.replaceChildren();
  notes.forEach(([kbd, what], i) => line.append(...(i > 0 ? [' \u00b7 '] : []), kbd, what));
}

function jump(position) {
  if (!page.started) return;
  if (page.ended) playAgain();
  askedForJump();
  page.module._webJump(position);
}

function showState() {
  const m = page.module;
  const position = Math.min(m._webPosition(), m._webEndPosition() - 1);
  const looped = m._webLoopedPosition();
  const paused = m._webPaused() === 1;
  if (position !== page.lastPosition) {
    for (const cell of document.querySelectorAll('.cell')) {
      cell.classList.toggle('lit', Number(cell.dataset.position) === position);
    }
    for (const scene of document.querySelectorAll('.scene')) {
      scene.classList.toggle('current', position >= Number(scene.dataset.from) &&
                                        position <= Number(scene.dataset.to));
    }
    page.lastPosition = position;
  }
  if (looped !== page.lastLoop) {
    for (const cell of document.querySelectorAll('.cell')) {
      cell.classList.toggle('looped', Number(cell.dataset.position) === looped);
    }
    $('loop').setAttribute('aria-pressed', String(looped >= 0));
    page.lastLoop = looped;
  }
  if (paused !== page.lastPaused) {
    $('pause').textContent = paused ? 'PLAY' : 'PAUSE';
    $('pause').setAttribute('aria-pressed', String(paused));
    page.lastPaused = paused;
  }
}

// The demo's running order, from the module: a group of cells a section,
// one cell a position, up to the position that ends the demo.
function buildPositionBar() {
  const m = page.module;
  const bar = $('positions');
  bar.replaceChildren();
  const end = m._webEndPosition();
  const count = m._webSectionCount();
  for (let i = 0; i < count && m._webSectionFirstPosition(i) < end; ++i) {
    const from = m._webSectionFirstPosition(i);
    const to = (i + 1 < count ? m._webSectionFirstPosition(i + 1) : end) - 1;
    const sectionName = m.UTF8ToString(m._webSectionName(i));
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
      cell.title = `${sectionName}, position ${p}`;
      cell.disabled = !page.started;
      cell.addEventListener('click', () => jump(p));
      cells.appendChild(cell);
    }
    const name = document.createElement('canvas');
    name.className = 'lettering name';
    name.dataset.text = sectionName.toUpperCase();
    name.dataset.scale = '1';
    group.append(cells, name);
    bar.appendChild(group);
  }
  letterAll(bar);
  fitScreen();
}

// The largest whole factor that fits, pixels kept sharp; a window narrower
// than the picture gets it scaled down to its width (seeing all of it
// matters more than sharp pixels then).
function fitScreen() {
  const stage = $('stage');
  const full = document.fullscreenElement === stage;
  // The notes may fall below the fold; the picture and the bar may not.
  const reserved = full ? 0 : $('masthead').offsetHeight + $('controls').offsetHeight + 64;
  const width = full ? window.innerWidth : window.innerWidth - 40;
  const height = window.innerHeight - reserved;
  const whole = Math.floor(Math.min(width / WIDTH, height / HEIGHT));
  // The room beside a scaled-down picture: the page's padding and the
  // stage's border (page.css, narrow windows), the scroll bar left out.
  const room = full ? window.innerWidth : document.documentElement.clientWidth - 12;
  const scale = whole >= 1 ? whole : Math.max(Math.min(room / WIDTH, 1), 0.1);
  $('screen').style.width = `${WIDTH * scale}px`;
  $('screen').style.height = `${HEIGHT * scale}px`;
  page.scale = scale;
}

function toggleFullScreen() {
  if (document.fullscreenElement) {
    document.exitFullscreen();
  } else if ($('stage').requestFullscreen) {
    $('stage').requestFullscreen().catch(() => {});
  }
}

function onKey(event) {
  if (event.altKey && event.key === 'Enter') {
    toggleFullScreen();
  } else if (event.key === 'f' || event.key === 'F') {
    toggleFullScreen();
  } else if (event.key === ' ' && !page.started && !$('play').classList.contains('hidden')) {
    play();
  } else if (event.key === ' ' && page.ended) {
    playAgain();
  } else if (!key(event.key)) {
    return;
  }
  event.preventDefault();
}

// ---- test hooks -------------------------------------------------------------------------

const nextTask = () => new Promise((resolve) => setTimeout(resolve, 0));

async function runHashes(module, at, fps) {
  if (!withString(module, at, (a) => withString(module, fps, (f) => module._webHashesBegin(a, f)))) {
    return;
  }
  while (!module._webHashesStep(240)) await nextTask();
}

async function runBench(module) {
  module._webBenchBegin();
  const started = performance.now();
  while (!module._webBenchStep(240)) await nextTask();
  output(`wall ms ${(performance.now() - started).toFixed(1)}`);
}

async function runHook(module) {
  if (params.has('hashes')) await runHashes(module, params.get('hashes'), params.get('fps') || '60');
  else if (params.has('soundsum')) module._webSoundChecksum(Number(params.get('soundsum')));
  else if (params.has('bench')) await runBench(module);
  else return false;
  document.body.dataset.state = 'done';
  return true;
}

// ---- start --------------------------------------------------------------------------------

// Downloads what is missing and starts the demo; a download that fails or
// stalls offers to try again, which downloads only what did not come.
async function load() {
  document.body.dataset.state = 'loading';
  $('failure').classList.add('hidden');
  $('veil').classList.add('gone');
  const attempt = new AbortController();
  // The module and the font first: from then on the demo draws its own
  // loading screen for the rest.
  const first = (f) => [PROGRAM_SCRIPT, PROGRAM_WASM, FONT].includes(f.name);
  const download = async (files) => {
    try {
      await downloadFiles(files, attempt.signal);
      return true;
    } catch (e) {
      attempt.abort();  // what else is still coming
      fail(e.message, true);
      return false;
    }
  };
  try {
    await loadFont(attempt.signal);
    drawLoadingScreen(0, '');
    await listFiles(attempt.signal);
  } catch (e) {
    attempt.abort();
    fail(e.message, true);
    return;
  }
  if (!await download(page.listed.filter(first))) return;
  if (!page.module) {
    try {
      page.module = await startModule();
    } catch (e) {
      fail(e.message);
      return;
    }
    writeFiles(page.module);
    writeKeyNotes();
    buildPositionBar();
  }
  if (!await download(page.listed.filter((f) => !first(f)))) return;
  const module = page.module;
  writeFiles(module);
  try {
    module._webStartUp();
    if (await runHook(module)) return;
  } catch (e) {
    fail(engineFailure(e));
    return;
  }
  paint();  // the demo's own loading screen, its bar full
  page.readyMs = performance.now();
  $('veil').classList.remove('gone');
  $('play').classList.remove('hidden');
  if (!(window.AudioContext || window.webkitAudioContext)) $('noSound').classList.remove('hidden');
  $('play').focus();
  document.body.dataset.state = 'ready';
}

function main() {
  document.body.dataset.state = 'loading';
  fitScreen();
  window.addEventListener('resize', fitScreen);
  document.addEventListener('fullscreenchange', fitScreen);
  if (typeof WebAssembly !== 'object' || typeof WebAssembly.instantiate !== 'function') {
    fail('This browser cannot run WebAssembly, which the demo is compiled to. ' +
         'Any current Firefox, Chrome, Edge or Safari can.');
    return;
  }
  load();
}

$('play').addEventListener('click', play);
$('again').addEventListener('click', playAgain);
$('retry').addEventListener('click', load);
// The buttons press the player's keys: each names its key (data-key).
for (const id of ['pause', 'loop', 'overlay']) {
  $(id).addEventListener('click', () => key($(id).dataset.key));
}
$('full').addEventListener('click', toggleFullScreen);
document.addEventListener('keydown', onKey);
// A hidden or frozen page gets no animation frames: picture and sound pause
// at once, and go on together when it is shown again.
function hide() {
  if (!page.started || page.ended) return;
  page.module._webHide();
  feed();
  if (page.audio) page.audio.context.suspend();
}

function show() {
  if (!page.started || page.ended) return;
  page.module._webShow();
  feed();
  if (page.audio) page.audio.context.resume();
  showState();
}

document.addEventListener('visibilitychange', () => (document.hidden ? hide() : show()));
document.addEventListener('freeze', hide);
// A page woken from freezing may still be hidden: it goes on when shown.
document.addEventListener('resume', () => document.hidden || show());
main();
