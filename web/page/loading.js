// loading.js - the demo's files, downloaded, and its engine's module
// started.
//
//   const files = new Files(stallMs)
//   await files.list(stop)          files.json: every file the page
//                                   downloads, with its size in bytes
//   await files.download(names, stop, onProgress(got, total))
//                                   those not yet here, at once; the bytes
//                                   counted over all listed files
//   files.get(name)                 a downloaded file's bytes
//   files.take(name)                the same, handed over: kept no longer
//                                   (empty if it never came)
//   await startModule(files, onPrint)  the engine's module, from
//                                   ondrivale.js and ondrivale.wasm
// Every failure is an Error whose message names the file and why: the HTTP
// status, the network's reason, a stall (no byte for stallMs), a size other
// than files.json says. A file that came whole stays for a try again.
// `stop`, an AbortSignal, ends what is still coming.
export const PROGRAM_SCRIPT = 'ondrivale.js';
export const PROGRAM_WASM = 'ondrivale.wasm';
export const DECODER_WASM = 'song-decoder.wasm';

export const megabytes = (bytes) => (bytes / 1e6).toFixed(1);

export class Files {
  constructor(stallMs) {
    this.stallMs = stallMs;
    this.listed = null;
    this.bytes = new Map();
  }

  get(name) {
    return this.bytes.get(name);
  }

  take(name) {
    const bytes = this.bytes.get(name) || new Uint8Array(0);
    this.bytes.delete(name);
    return bytes;
  }

  async list(stop) {
    if (this.listed) return;
    const bytes = await this.fetch('files.json', () => {}, stop);
    let listed;
    try {
      listed = JSON.parse(new TextDecoder().decode(bytes));
    } catch (e) {
      throw new Error(`files.json is not a list of the demo's files: ${e.message}`);
    }
    const entry = (f) => f && typeof f.name === 'string' && Number.isInteger(f.bytes) && f.bytes >= 0;
    if (!Array.isArray(listed) || !listed.every(entry)) {
      throw new Error("files.json is not a list of the demo's files, each with its name and bytes");
    }
    this.listed = listed;
  }

  async download(names, stop, onProgress) {
    const total = this.listed.reduce((sum, f) => sum + f.bytes, 0);
    let got = this.listed.reduce((sum, f) => sum + (this.bytes.has(f.name) ? f.bytes : 0), 0);
    const progress = (n) => {
      got += n;
      onProgress(got, total);
    };
    progress(0);
    const wanted = this.listed.filter((f) => names.includes(f.name) && !this.bytes.has(f.name));
    await Promise.all(wanted.map(async (f) => {
      const bytes = await this.fetch(f.name, progress, stop);
      if (bytes.length !== f.bytes) {
        throw new Error(`${f.name} is ${bytes.length} bytes, not the ${f.bytes} it should be`);
      }
      this.bytes.set(f.name, bytes);
    }));
  }

  // The whole file, or an error naming it and why.
  async fetch(url, onBytes, stop) {
    const abort = new AbortController();
    let stalled = false;
    let timer = 0;
    let got = 0;
    const watch = () => {
      clearTimeout(timer);
      timer = setTimeout(() => { stalled = true; abort.abort(); }, this.stallMs);
    };
    const stopped = () => abort.abort();
    if (stop) stop.addEventListener('abort', stopped);
    const why = (e) => (stalled
      ? new Error(`${url} stalled: nothing came for ${this.stallMs / 1000} s, ` +
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
      for (const p of parts) {
        bytes.set(p, at);
        at += p.length;
      }
      return bytes;
    } finally {
      clearTimeout(timer);
      if (stop) stop.removeEventListener('abort', stopped);
    }
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

export async function startModule(files, onPrint) {
  await runScript(PROGRAM_SCRIPT, files.get(PROGRAM_SCRIPT));
  if (typeof window.OndrivaleModule !== 'function') {
    throw new Error(`${PROGRAM_SCRIPT} does not hold the demo's module`);
  }
  let aborted = '';
  try {
    return await window.OndrivaleModule({
      wasmBinary: files.get(PROGRAM_WASM),
      print: onPrint,
      printErr: (line) => { console.warn(line); },
      onAbort: (what) => { aborted = String(what); },
    });
  } catch (e) {
    throw new Error(`${PROGRAM_WASM} cannot run in this browser: ${aborted || e.message}`);
  }
}
