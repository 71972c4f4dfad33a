// The lowered engine's operations, listed once. The list makes the engine's Code enum, the
// run loop's dispatch table and the operation names of listings, all in one order, so none of
// them can drift from the others. Each entry is X(name); the code is kName.
#ifndef MOD_LANG_ENGINE_OPS_H
#define MOD_LANG_ENGINE_OPS_H

// DataNoted comes last, after End, so that the codes and the run loop's code of all the others
// stay where they were: the loop's speed turned out to hang on where its code lies.
// The first group stands for one element each; the Bin* group for an operator with its
// operands fetched from variables (V), constants (K) or the stack (S) and its result pushed,
// stored (St) or tested by a conditional jump (If).
#define ENGINE_OPERATIONS(X)                                                          \
    X(PushInt)    /* a number constant */                                             \
    X(PushStr)    /* a text constant */                                               \
    X(Binary)     /* a two-operand operator on the stack */                           \
    X(Unary)      /* a one-operand operator on the stack */                           \
    X(Store)      /* pops into a variable */                                          \
    X(Load)       /* pushes a variable */                                             \
    X(ArrayStore) /* pops a value, then its index, into an array cell */              \
    X(ArrayLoad)  /* pops an index and pushes that array cell */                      \
    X(Label)      /* a label definition: its element number into its slot */          \
    X(Goto)       /* a jump to a label's position */                                  \
    X(If)         /* pops a condition; false goes to the else or end label */         \
    X(Buy)        /* the robot built-ins */                                           \
    X(Sell)                                                                           \
    X(Prod)                                                                           \
    X(Upgrade)    /* "?upgrade" and "?auto" */                                        \
    X(Turn)                                                                           \
    X(Print)                                                                          \
    X(Macro)                                                                          \
    X(Data)       /* a game data read */                                              \
    X(Call)       /* an element of a class the engine does not know, called as is */ \
    X(SetK)       /* fused: a constant into a variable */                             \
    X(Move)       /* fused: a variable into a variable */                             \
    X(UnaryV)     /* fused: a one-operand operator on a variable */                   \
    X(Jump)       /* fused: a jump to a known operation */                            \
    X(BinVK)                                                                          \
    X(BinVV)                                                                          \
    X(BinSK)                                                                          \
    X(BinSV)                                                                          \
    X(BinSS)                                                                          \
    X(BinVKSt)                                                                        \
    X(BinVVSt)                                                                        \
    X(BinSKSt)                                                                        \
    X(BinSVSt)                                                                        \
    X(BinSSSt)                                                                        \
    X(BinVKIf)                                                                        \
    X(BinVVIf)                                                                        \
    X(BinSKIf)                                                                        \
    X(BinSVIf)                                                                        \
    X(BinSSIf)                                                                        \
    X(End)        /* after the last operation of each form */                        \
    X(DataNoted)  /* a game data read that may be refused: notes where it is first */

#endif
