#include <cstdio>

#include "pictures/pictures.h"

const std::vector<PictureEntry>& pictureList() {
    static const std::vector<PictureEntry> list = {
        {"data/seinae.png", nullptr, 256, 256, true, drawSeinae},
        {"data/title.png", "data/title-alpha.png", 320, 240, false, drawTitle},
        {"data/logo-overlay.png", "data/logo-overlay-alpha.png", 320, 240, false, drawLogoOverlay},
        {"data/credits-mervo.png", "data/credits-mervo-alpha.png", 320, 240, false,
         [] { return drawCredit(0); }},
        {"data/credits-tallik.png", "data/credits-tallik-alpha.png", 320, 240, false,
         [] { return drawCredit(1); }},
        {"data/credits-sunbo.png", "data/credits-sunbo-alpha.png", 320, 240, false,
         [] { return drawCredit(2); }},
        {"data/credits-yorrel.png", "data/credits-yorrel-alpha.png", 320, 240, false,
         [] { return drawCredit(3); }},
        {"data/velmira.png", nullptr, 320, 811, true, drawVelmira},
        {"data/flarealpha16.png", nullptr, 16, 16, false, drawGlow},
        {"data/env.png", nullptr, 256, 256, false, drawEnvironment},
        {"data/brisklo-logo-png.png", "data/brisklo-logo-png-alpha.png", 320, 240, false,
         drawBriskloLogo},
        {"data/greets.png", nullptr, 512, 15, false, drawGreets},
        {"data/flower.png", nullptr, 256, 256, false, drawFlower},
        {"data/kukkatausta.png", nullptr, 640, 240, true, drawMeadow},
    };
    return list;
}

bool writePictures(const std::string& runDir) {
    if (!art::loadTypefaces()) return false;
    for (const PictureEntry& entry : pictureList()) {
        const art::Canvas canvas = entry.draw();
        if (canvas.width() != entry.width || canvas.height() != entry.height) {
            printf("gen_pictures: %s drawn at %dx%d instead of %dx%d\n", entry.name, canvas.width(),
                   canvas.height(), entry.width, entry.height);
            return false;
        }
        if (!writePng(outputPath(runDir, entry.name), art::toPicture(canvas, entry.dither)))
            return false;
        if (entry.alphaName != nullptr &&
            !writePng(outputPath(runDir, entry.alphaName), art::toAlphaMap(canvas)))
            return false;
    }
    return true;
}
