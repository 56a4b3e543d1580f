/* The catalogue's samples, embedded byte for byte from the generated block. The assembler finds
   catalogue_samples.bin on its include path (the generated folder). */
#include "catalogue_sizes.inc"

    .section .rodata.pivolet_sample_store, "a"
    .balign 64
    .globl pivolet_sample_store
    .hidden pivolet_sample_store
    .type pivolet_sample_store, @object
pivolet_sample_store:
    .incbin "catalogue_samples.bin"
    .size pivolet_sample_store, . - pivolet_sample_store

/* A block of any other length than the sizes the table was generated with fails the build. */
    .if (. - pivolet_sample_store) - PIVOLET_CATALOGUE_STORE_BYTES
    .error "the embedded sample block does not hold exactly the catalogue's samples"
    .endif

/* The blob is data: keep the stack non-executable for every object that links it. */
    .section .note.GNU-stack, "", @progbits
