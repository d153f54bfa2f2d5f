// The page's second processor is a Web Worker of the page's own
// (web/page/sound-decoder.js), running the decoder program in a module of its
// own (platform/code940/web/), which the page starts and hands the song. The
// page sends it the engine's orders after every call into the engine, so a
// write to the control block needs no doorbell.
#include "platform/sound_control_block.h"

void secondCpuDoorbell() {}
