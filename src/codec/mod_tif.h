#pragma once

// modTIF, the CCITT codec's core: code tables, decoding primitives and the run encoder.

#include "codec/code_tables.h"
#include "codec/codec_types.h"
#include "codec/run_decoding.h"
#include "codec/run_encoder.h"
