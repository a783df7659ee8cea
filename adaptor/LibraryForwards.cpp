// VLIB_VexAllocString, VLIB_VexFreeString and VLIB_VexLoadString: each is one
// indirect jump through this module's import of the host library's function of
// the same name, so the caller's arguments and return address reach the host's
// function untouched, whatever its convention.
#define VANTREL_FORWARD(name)                               \
    asm(".text\n"                                           \
        "\t.globl _VLIB_" #name "\n"                        \
        "\t.def _VLIB_" #name "; .scl 2; .type 32; .endef\n" \
        "_VLIB_" #name ":\n"                                \
        "\tjmp *__imp__" #name "\n");

VANTREL_FORWARD(VexAllocString)
VANTREL_FORWARD(VexFreeString)
VANTREL_FORWARD(VexLoadString)
