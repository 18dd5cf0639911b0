#pragma once

// Which H.264 decoders the media layer can use on this machine. Only the
// built-in software decoder exists here, so all three answer false.
extern "C" {
bool can_use_intel_decoder();
bool can_use_coreavc_decoder();
bool can_use_dtvdvd_decoder();
}
