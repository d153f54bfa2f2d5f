// gen_song - writes the song's synchronisation table and its rendered soundtrack.
//
// Usage: gen_song RUN_FOLDER
// Writes RUN_FOLDER/data/patterndata.bin and RUN_FOLDER/data/ondrivale.ogg, both
// made from the one arrangement in song_arrangement.cpp. Exit status 1 with one
// line on any failure.
#include <cstdio>

#include "common/asset_files.h"
#include "song/song_arrangement.h"
#include "song/sync_table.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        printf("usage: gen_song RUN_FOLDER\n");
        return 1;
    }
    const song::Arrangement arrangement = song::buildArrangement();
    if (!writeBytes(outputPath(argv[1], "data/patterndata.bin"), song::buildSyncTable(arrangement)))
        return 1;
    return 0;
}
