#pragma once

// How the allocator treats the program's big blocks.

namespace platform {

// Has blocks of 1 MiB and more (a screen-sized picture is several) mapped
// on their own and given back to the system when freed. By default glibc
// raises its mapping threshold to the largest block freed so far, after
// which such blocks come from the heap, whose holes a long run never gives
// back: a program that changes wallpapers for days then holds megabytes it
// no longer uses. Call once, before the first big allocation.
void KeepLargeBlocksMapped();

}  // namespace platform
