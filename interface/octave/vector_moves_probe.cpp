// Asked by the Makefile before it builds nubrik: this unit compiles only for
// Windows with MinGW, and, compiled with the assembler's option
// -muse-unaligned-vector-move, only where the assembler takes it (GNU as 2.38
// and later). MinGW's GCC does not realign the stack for the 32- and 64-byte
// values it spills, so nubrik's AVX2 and AVX-512 paths are built under MinGW
// only where every aligned vector move is assembled as an unaligned one.
#if !defined(__MINGW32__)
#error "not a MinGW build"
#endif
