// pictures.h - every picture the scenes load, drawn from this source.
//
// Each entry names a file under the run folder, the size its scene reads,
// and the function that draws it; a picture shown through soft transparency
// also names its "-alpha" map, written from the same canvas's coverage. The
// list is the single place that says which pictures exist; gen_pictures
// writes them all.
#pragma once

#include <string>
#include <vector>

#include "common/asset_files.h"
#include "pictures/art.h"

struct PictureEntry {
    const char* name;       // relative to the run folder, e.g. "data/title.png"
    const char* alphaName;  // its coverage map, or nullptr
    int width;
    int height;
    // Ordered dither onto the RGB565 levels, for soft gradients shown about
    // one texel to a pixel; textures seen magnified would show its pattern.
    bool dither;
    art::Canvas (*draw)();
};

const std::vector<PictureEntry>& pictureList();

// Writes every picture of the list into runDir; false after the first failure.
bool writePictures(const std::string& runDir);

// One function per picture or family, each in its own source file.
art::Canvas drawSeinae();
art::Canvas drawTitle();
art::Canvas drawLogoOverlay();
art::Canvas drawCredit(int member);  // 0..3: MERVO, TALLIK, SUNBO, YORREL
art::Canvas drawVelmira();
art::Canvas drawGlow();
art::Canvas drawEnvironment();
art::Canvas drawBriskloLogo();
art::Canvas drawGreets();
art::Canvas drawFlower();
art::Canvas drawMeadow();

// The group's emblem, shared by its two logos: a dark disc ringed in lime
// around a chrome B, a spark crossing the ring. Paints within radius plus
// its shadow around (cx, cy).
void paintBriskloEmblem(art::Canvas& canvas, float cx, float cy, float radius);
