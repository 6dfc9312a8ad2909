#pragma once
// How many threads the software renderer (Mesa's llvmpipe, the GL of a
// machine without a graphics card) draws with. Left alone it starts one per
// core, and for frames of the view's size much of their time goes to
// waking, sharing out and waiting for each frame's work: four draw the same
// frames at the display's rate for about a fifth less processor time and
// still draw a frame well within the display's interval (bench/README.md;
// two would save more and take twice as long a frame). A count the user set
// (LP_NUM_THREADS) is kept.
//
// Call before the first GL context is made; other drivers ignore it.

inline constexpr unsigned kSoftwareRendererThreads = 4;

// The count for a machine of `cores` cores (0: not known): never more
// threads than cores.
unsigned SoftwareRendererThreads(unsigned cores);

void LimitSoftwareRendererThreads();
