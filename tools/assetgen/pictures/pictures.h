// pictures.h - every picture the scenes load, drawn from this source.
//
// Each entry names a file under the run folder and the function that draws
// it. The list is the single place that says which pictures exist and at
// which size; gen_pictures writes them all, the tests check them.
#pragma once

#include <string>
#include <vector>

#include "common/asset_files.h"

struct PictureEntry {
    const char* name;  // relative to the run folder, e.g. "data/title.png"
    int width;
    int height;
    RgbPicture (*draw)();
};

const std::vector<PictureEntry>& pictureList();

// Writes every picture of the list into runDir; false after the first failure.
bool writePictures(const std::string& runDir);
