#pragma once
// Everything a program built on the runtime may call, in one include:
// the public header of each runtime folder (never one of their detail/
// headers). Each header says which thread may call what it declares; a
// program's main routine runs on the program thread.
//
// A program defines its main routine and links the entry library, whose
// main() starts the runtime and calls it:
//
//   #include <quintaro.h>
//   void program_main() {
//     const uint32_t mark = program_preamble();
//     ...statements, each followed by statement_end(line, mark)...
//     program_end();
//   }
//
// The list is one line per header, lowest layer first.
#include "runtime/core/core.h"
#include "runtime/strings/strings.h"
#include "runtime/frame/frame.h"
#include "runtime/gpu/gpu.h"
#include "runtime/image/image.h"
#include "runtime/image/pixels.h"
#include "runtime/text/text.h"
#include "runtime/screen/screen.h"
#include "runtime/display/display.h"
#include "runtime/graphics/graphics.h"
#include "runtime/input/input.h"
#include "runtime/os/os.h"
#include "runtime/cpu/cpu.h"
#include "runtime/host/host.h"

// The compiled main routine every program provides (program thread).
void program_main();
