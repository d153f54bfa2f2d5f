// lettering.js - the page's own lettering (its title, the panels' titles,
// the position bar's section names) drawn in the demo's bitmap font,
// data/font.png, cut as the engine's facts describe its cells.
//
// Every <canvas class="lettering" data-text="..." data-scale="N"> is drawn
// by letterAll(root). Until the font has come nothing is drawn; where it
// cannot come (it or the engine is what failed: giveUp()), each such canvas
// is shown as plain text instead.
export class Lettering {
  constructor() {
    this.sheet = null;  // the font's sheet, its colour key transparent
    this.font = null;   // the facts' font
    this.hopeless = false;
  }

  // The font file's bytes and the engine's facts about it; throws if the
  // browser cannot read the picture.
  async load(bytes, font) {
    let image;
    try {
      image = await createImageBitmap(new Blob([bytes], { type: 'image/png' }));
    } catch (e) {
      throw new Error(`${font.file} is not a picture this browser can read`);
    }
    const sheet = document.createElement('canvas');
    sheet.width = image.width;
    sheet.height = image.height;
    const context = sheet.getContext('2d');
    context.drawImage(image, 0, 0);
    const pixels = context.getImageData(0, 0, sheet.width, sheet.height);
    const d = pixels.data;
    // The engine's colour key, compared as the engine sees a pixel: in 16 bits.
    for (let i = 0; i < d.length; i += 4) {
      const rgb565 = ((d[i] >> 3) << 11) | ((d[i + 1] >> 2) << 5) | (d[i + 2] >> 3);
      if (rgb565 === font.colourKey) d[i + 3] = 0;
    }
    context.putImageData(pixels, 0, 0);
    this.sheet = sheet;
    this.font = font;
    this.letterAll(document);
  }

  giveUp() {
    this.hopeless = true;
    this.letterAll(document);
  }

  drawGlyph(context, character, x, y) {
    const f = this.font;
    const glyph = character.charCodeAt(0) - f.first;
    if (glyph < 0 || glyph > f.last - f.first) return;
    context.drawImage(this.sheet, (glyph % f.cellsARow) * f.cellWidth,
                      Math.floor(glyph / f.cellsARow) * f.cellHeight, f.cellWidth, f.cellHeight,
                      x, y, f.cellWidth, f.cellHeight);
  }

  // The height follows the width (page.css), so that lettering wider than a
  // small window shrinks with it.
  letter(canvas) {
    const text = canvas.dataset.text;
    const advance = this.font.advance;
    canvas.width = Math.max(1, text.length * advance + 1);
    canvas.height = this.font.cellHeight;
    canvas.style.width = `${canvas.width * Number(canvas.dataset.scale || 1)}px`;
    const context = canvas.getContext('2d');
    context.clearRect(0, 0, canvas.width, canvas.height);
    for (let i = 0; i < text.length; ++i) this.drawGlyph(context, text[i], i * advance, 0);
  }

  letterAll(root) {
    for (const canvas of root.querySelectorAll('canvas.lettering')) {
      const plain = canvas.nextElementSibling;
      const hasPlain = plain && plain.classList.contains('plain');
      if (this.sheet) {
        this.letter(canvas);
        if (hasPlain) plain.remove();
        canvas.classList.remove('unlettered');
      } else if (this.hopeless && !hasPlain) {
        const text = document.createElement('span');
        text.className = 'plain';
        text.textContent = canvas.dataset.text;
        canvas.classList.add('unlettered');
        canvas.after(text);
      }
    }
  }
}
