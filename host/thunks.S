/*
 * Calls across the host boundary, written by hand so that the register convention is produced
 * as the host writes it, independent of how the compiler reads its own attribute:
 * the first three arguments in EAX, EDX, ECX, the rest pushed from the fourth to the last (the
 * last lies next to the return address), the callee removes its stack arguments, and EBX, ESI,
 * EDI and EBP survive the call.
 */
        .text

/*
 * uint32_t nb_call(void* fn, const uint32_t* args, int count, uint32_t* checks)   (cdecl)
 *
 * args holds at least three words (unused register words are passed as they are). *checks gets
 * bit 0 when the stack came back balanced and bits 1..3 when EBX, ESI and EDI came back unchanged.
 */
        .globl  _nb_call
_nb_call:
        pushl   %ebp
        movl    %esp, %ebp
        pushl   %ebx
        pushl   %esi
        pushl   %edi                    /* ESP is now EBP - 12; the callee must leave it so */

        movl    12(%ebp), %esi          /* args */
        movl    16(%ebp), %ecx          /* count */
        movl    $3, %edx
1:      cmpl    %ecx, %edx
        jge     2f
        pushl   (%esi,%edx,4)           /* fourth argument first, last argument last */
        incl    %edx
        jmp     1b
2:
        movl    (%esi), %eax
        movl    4(%esi), %edx
        movl    8(%esi), %ecx
        movl    $0x5EB5EB5E, %ebx       /* sentinels in the callee-saved registers */
        movl    $0x51515151, %esi
        movl    $0xD1D1D1D1, %edi
        call    *8(%ebp)

        xorl    %ecx, %ecx
        leal    -12(%ebp), %edx
        cmpl    %edx, %esp
        jne     3f
        orl     $1, %ecx
3:      cmpl    $0x5EB5EB5E, %ebx
        jne     4f
        orl     $2, %ecx
4:      cmpl    $0x51515151, %esi
        jne     5f
        orl     $4, %ecx
5:      cmpl    $0xD1D1D1D1, %edi
        jne     6f
        orl     $8, %ecx
6:      movl    20(%ebp), %edx
        movl    %ecx, (%edx)

        leal    -12(%ebp), %esp         /* put the stack back whatever the callee did */
        popl    %edi
        popl    %esi
        popl    %ebx
        popl    %ebp
        ret

/*
 * The host routines the plug-in calls. Each takes its arguments as the convention delivers
 * them, calls the host's C++ handler (cdecl), and returns removing its own stack arguments.
 */

/* AddAction: EAX id, EDX name, ECX hint; stack: codes (pushed first), last index, count. */
        .globl  _host_AddAction_entry
_host_AddAction_entry:
        pushl   %ebp
        movl    %esp, %ebp
        pushl   8(%ebp)                 /* count: the last argument, next to the return address */
        pushl   12(%ebp)                /* last index */
        pushl   16(%ebp)                /* codes */
        pushl   %ecx
        pushl   %edx
        pushl   %eax
        call    _host_AddAction
        movl    %ebp, %esp
        popl    %ebp
        ret     $12

/* SetVariable: EAX name, EDX value; no stack arguments. */
        .globl  _host_SetVariable_entry
_host_SetVariable_entry:
        pushl   %edx
        pushl   %eax
        call    _host_SetVariable
        addl    $8, %esp
        ret

/* InterfaceAccess: EAX command, EDX slot address; Boolean result in AL. */
        .globl  _host_InterfaceAccess_entry
_host_InterfaceAccess_entry:
        pushl   %edx
        pushl   %eax
        call    _host_InterfaceAccess
        addl    $8, %esp
        ret
