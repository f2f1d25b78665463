/* The built-in book's file image, linked in as read-only data. VELIN_BUILTIN_BOOK_PATH is the
   absolute path of the book file made at build time; the build relinks when it changes.
   The size is stored beside the bytes, so the reader never has to subtract the addresses of
   two different objects. */
    .section .rodata
    .balign 16
    .globl velin_builtin_book_start
    .type velin_builtin_book_start, @object
velin_builtin_book_start:
    .incbin VELIN_BUILTIN_BOOK_PATH
    .globl velin_builtin_book_end
velin_builtin_book_end:
    .size velin_builtin_book_start, velin_builtin_book_end - velin_builtin_book_start

    .balign 8
    .globl velin_builtin_book_size
    .type velin_builtin_book_size, @object
velin_builtin_book_size:
    .quad velin_builtin_book_end - velin_builtin_book_start
    .size velin_builtin_book_size, 8

    /* No executable stack. */
    .section .note.GNU-stack,"",@progbits
