// tremor_private.h - the engine's private copy of Tremor, the integer Vorbis
// decoder. The build renames the five calls the decoder program makes and
// hides everything else, so that a reference Vorbis library in the same
// process cannot take over Tremor's functions (they share names).
#pragma once

#include <tremor/ivorbisfile.h>

extern "C" {
int tremor_ov_open_callbacks(void* datasource, OggVorbis_File* vf, const char* initial, long ibytes,
                             ov_callbacks callbacks);
long tremor_ov_read(OggVorbis_File* vf, char* buffer, int length, int* bitstream);
vorbis_info* tremor_ov_info(OggVorbis_File* vf, int link);
int tremor_ov_clear(OggVorbis_File* vf);
int tremor_ov_pcm_seek(OggVorbis_File* vf, ogg_int64_t pos);
}
