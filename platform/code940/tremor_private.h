/* tremor_private.h - the calls the decoder makes into Tremor, the integer
 * Vorbis decoder, under their private names.
 *
 * The desktop build renames these five in its copy of Tremor and hides
 * everything else, so that a reference Vorbis library in the same process
 * cannot take over Tremor's functions (they share names); the second
 * processor's own build points the same names at its Tremor. Plain C: the
 * second processor's program includes it too.
 */
#ifndef TREMOR_PRIVATE_H
#define TREMOR_PRIVATE_H

#include <tremor/ivorbisfile.h>

#ifdef __cplusplus
extern "C" {
#endif
int tremor_ov_open_callbacks(void* datasource, OggVorbis_File* vf, const char* initial, long ibytes,
                             ov_callbacks callbacks);
long tremor_ov_read(OggVorbis_File* vf, char* buffer, int length, int* bitstream);
vorbis_info* tremor_ov_info(OggVorbis_File* vf, int link);
int tremor_ov_clear(OggVorbis_File* vf);
int tremor_ov_pcm_seek(OggVorbis_File* vf, ogg_int64_t pos);
#ifdef __cplusplus
}
#endif

#endif
