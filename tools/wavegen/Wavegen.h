#pragma once
// Test-data generator: writes .hdr/.wvf pairs, realtime .rtm files and floating
// .fld files with signals whose every sample can be recomputed.
#include "ChunkWriter.h"
#include "DemoSet.h"
#include "FileBytes.h"
#include "FldWriter.h"
#include "RtmWriter.h"
#include "Signal.h"
#include "WvfWriter.h"
#include "common/TempDir.h"
