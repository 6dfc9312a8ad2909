#pragma once
// How many threads the software renderer (Mesa's llvmpipe, the GL of a
// machine without a graphics card) draws with. Left alone it starts one per
// core, and for frames of the view's size most of their time goes to
// waking, sharing out and waiting for each frame's work: two draw the same
// frames at the display's rate for about a third less processor time
// (bench/README.md). A count the user set (LP_NUM_THREADS) is kept.
//
// Call before the first GL context is made; other drivers ignore it.

inline constexpr int kSoftwareRendererThreads = 2;

void LimitSoftwareRendererThreads();
